#include "server/FormParams.h"

#include <algorithm>

namespace merchant {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
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

std::string FormParams::percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hexValue(text[i + 1]);
            int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
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
