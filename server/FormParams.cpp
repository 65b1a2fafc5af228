#include "server/FormParams.h"

#include <algorithm>
#include <charconv>

namespace merchant {

namespace {

// The byte a "%XX" at the index stands for, or nullopt when it is cut short
// or XX is not two hex digits.
std::optional<char> escapedByte(std::string_view text, std::size_t at)
{
    if (at + 2 >= text.size())
        return std::nullopt;
    const char* digits = text.data() + at + 1;
    unsigned value = 0;
    auto [end, error] = std::from_chars(digits, digits + 2, value, 16);
    if (error != std::errc() || end != digits + 2)
        return std::nullopt;
    return static_cast<char>(value);
}

std::vector<std::string_view> splitOnAmpersand(std::string_view text)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find('&', start);
        if (end == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

} // namespace

// Not foundation::percentUnescape: that one refuses the whole text over one
// bad escape or a result that is not UTF-8, whereas the stand-in must still
// read what a careless or hostile client sent, byte for byte.
std::string FormParams::percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::optional<char> byte = text[i] == '%' ? escapedByte(text, i) : std::nullopt;
        out.push_back(byte.value_or(text[i]));
        if (byte)
            i += 2;
    }
    return out;
}

FormParams FormParams::parseSigned(std::string_view plain, const std::vector<std::string>& knownKeys)
{
    FormParams params;
    if (plain.empty())
        return params;
    std::string* open = nullptr;
    bool first = true;
    for (std::string_view piece : splitOnAmpersand(plain)) {
        std::size_t equals = piece.find('=');
        bool startsPair = false;
        if (equals != std::string_view::npos) {
            std::string key(piece.substr(0, equals));
            bool known = std::find(knownKeys.begin(), knownKeys.end(), key) != knownKeys.end();
            // The first piece always opens a pair: nothing precedes it to glue onto.
            startsPair = first || (known && !params.has(key));
        }
        if (startsPair) {
            std::string key(piece.substr(0, equals));
            auto [it, inserted]
                = params.m_values.insert_or_assign(key, std::string(piece.substr(equals + 1)));
            (void)inserted;
            open = &it->second;
        } else if (open) {
            open->push_back('&');
            open->append(piece);
        } else {
            // A first piece without "=" names a key with no value.
            auto [it, inserted] = params.m_values.insert_or_assign(std::string(piece), std::string());
            (void)inserted;
            open = &it->second;
        }
        first = false;
    }
    return params;
}

FormParams FormParams::parseUrlEncoded(std::string_view body)
{
    FormParams params;
    if (body.empty())
        return params;
    for (std::string_view piece : splitOnAmpersand(body)) {
        if (piece.empty())
            continue;
        std::size_t equals = piece.find('=');
        std::string key(piece.substr(0, equals));
        std::string value(equals == std::string_view::npos ? std::string_view() : piece.substr(equals + 1));
        std::replace(key.begin(), key.end(), '+', ' ');
        std::replace(value.begin(), value.end(), '+', ' ');
        params.m_values.insert_or_assign(percentDecode(key), percentDecode(value));
    }
    return params;
}

std::string FormParams::value(const std::string& key) const
{
    auto it = m_values.find(key);
    return it == m_values.end() ? std::string() : it->second;
}

std::optional<std::string> FormParams::find(const std::string& key) const
{
    auto it = m_values.find(key);
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

void FormParams::decode(const std::string& key)
{
    auto it = m_values.find(key);
    if (it != m_values.end())
        it->second = percentDecode(it->second);
}

nlohmann::ordered_json FormParams::toJson() const
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (const auto& [key, value] : m_values)
        object[key] = value;
    return object;
}

} // namespace merchant
