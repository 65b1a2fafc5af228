#include "platform/foundation/Json.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace foundation {

namespace {

// A reader of JSON text (RFC 8259) into the ordered values. It makes one pass over
// the text: runs of plain characters inside a string are copied whole, and UTF-8 is
// checked only where a byte above 0x7F occurs, as part of that copy. Numbers take
// the types nlohmann's own parser gives them: an integer without fraction or exponent
// is unsigned when not negative and signed when negative, and a double past either
// range; a double beyond the largest one is refused.
//
// Keys are appended in order; an object grown past a few keys gets a hash index of
// them, kept while it is read, so that a huge object costs linear time (duplicate
// keys: the last value wins, in the first one's place). The depth limit is checked as
// containers open, so hostile nesting stops at once.
class Reader {
public:
    explicit Reader(std::string_view text)
        : m_at(text.data())
        , m_end(text.data() + text.size())
    {
    }

    std::optional<Json> document()
    {
        Json value;
        skipSpace();
        if (!readValue(value, 0))
            return std::nullopt;
        skipSpace();
        // A NUL ends the text, as a C string would: replies padded with zeros after
        // the document have always been read, and the settings file never holds one.
        if (m_at != m_end && *m_at != '\0')
            return std::nullopt;
        return value;
    }

private:
    // Objects smaller than this are searched in place: cheaper than building an index
    // (replies carry a few dozen keys an object at most).
    static constexpr size_t indexFrom = 64;

    using Entries = Json::object_t::Container;

    static constexpr bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    // Characters copied as they are inside a string.
    static constexpr std::array<bool, 256> plainTable = [] {
        std::array<bool, 256> table {};
        for (int c = 0x20; c < 0x80; ++c)
            table[static_cast<size_t>(c)] = c != '"' && c != '\\';
        return table;
    }();

    void skipSpace()
    {
        while (m_at != m_end && isSpace(*m_at))
            ++m_at;
    }

    bool take(char c)
    {
        if (m_at == m_end || *m_at != c)
            return false;
        ++m_at;
        return true;
    }

    bool readWord(std::string_view word)
    {
        if (static_cast<size_t>(m_end - m_at) < word.size() || std::string_view(m_at, word.size()) != word)
            return false;
        m_at += word.size();
        return true;
    }

    bool readValue(Json& value, int depth)
    {
        if (m_at == m_end)
            return false;
        switch (*m_at) {
        case '{':
            return readObject(value, depth + 1);
        case '[':
            return readArray(value, depth + 1);
        case '"': {
            std::string text;
            if (!readString(text))
                return false;
            value = std::move(text);
            return true;
        }
        case 't':
            value = true;
            return readWord("true");
        case 'f':
            value = false;
            return readWord("false");
        case 'n':
            value = nullptr;
            return readWord("null");
        default:
            return readNumber(value);
        }
    }

    bool readObject(Json& value, int depth)
    {
        if (depth > kMaxJsonDepth)
            return false;
        ++m_at;
        value = Json::object();
        auto& entries = static_cast<Entries&>(value.get_ref<Json::object_t&>());
        std::unordered_map<std::string_view, size_t> index;
        skipSpace();
        if (take('}'))
            return true;
        std::string key;
        for (;;) {
            if (!take('"') || !readKey(key))
                return false;
            skipSpace();
            if (!take(':'))
                return false;
            skipSpace();
            Json* slot = slotFor(entries, index, key);
            if (!readValue(*slot, depth))
                return false;
            skipSpace();
            if (take('}'))
                return true;
            if (!take(','))
                return false;
            skipSpace();
        }
    }

    // Where the value of `key` goes: its earlier entry, else a new one at the end.
    static Json* slotFor(
        Entries& entries, std::unordered_map<std::string_view, size_t>& index, std::string& key)
    {
        if (index.empty()) {
            for (auto& entry : entries) {
                if (entry.first == key)
                    return &entry.second;
            }
            entries.emplace_back(std::move(key), nullptr);
            // The index holds views of the keys, which a growing vector moves: it is
            // rebuilt whenever the vector reallocates.
            if (entries.size() >= indexFrom)
                reindex(entries, index);
            return &entries.back().second;
        }
        if (auto it = index.find(key); it != index.end())
            return &entries[it->second].second;
        auto const capacity = entries.capacity();
        entries.emplace_back(std::move(key), nullptr);
        if (entries.capacity() != capacity)
            reindex(entries, index);
        else
            index.emplace(entries.back().first, entries.size() - 1);
        return &entries.back().second;
    }

    static void reindex(const Entries& entries, std::unordered_map<std::string_view, size_t>& index)
    {
        index.clear();
        index.reserve(entries.capacity());
        for (size_t i = 0; i < entries.size(); ++i)
            index.emplace(entries[i].first, i);
    }

    bool readArray(Json& value, int depth)
    {
        if (depth > kMaxJsonDepth)
            return false;
        ++m_at;
        value = Json::array();
        auto& items = value.get_ref<Json::array_t&>();
        skipSpace();
        if (take(']'))
            return true;
        for (;;) {
            items.emplace_back();
            if (!readValue(items.back(), depth))
                return false;
            skipSpace();
            if (take(']'))
                return true;
            if (!take(','))
                return false;
            skipSpace();
        }
    }

    bool readKey(std::string& key)
    {
        key.clear();
        return readStringBody(key);
    }

    bool readString(std::string& text)
    {
        ++m_at;
        return readStringBody(text);
    }

    // The rest of a string whose opening quote has been read.
    bool readStringBody(std::string& text)
    {
        for (;;) {
            const char* const run = m_at;
            while (m_at != m_end && plainTable[static_cast<unsigned char>(*m_at)])
                ++m_at;
            text.append(run, m_at);
            if (m_at == m_end)
                return false;
            auto const c = static_cast<unsigned char>(*m_at);
            if (c == '"') {
                ++m_at;
                return true;
            }
            if (c == '\\') {
                ++m_at;
                if (!readEscape(text))
                    return false;
            } else if (c < 0x20) {
                return false;
            } else {
                // A valid sequence is made of bytes above 0x7F only: the whole run of
                // them is checked and copied at once.
                const char* const wide = m_at;
                while (m_at != m_end && static_cast<unsigned char>(*m_at) >= 0x80)
                    ++m_at;
                std::string_view const sequence(wide, static_cast<size_t>(m_at - wide));
                if (!isValidUtf8(sequence))
                    return false;
                text.append(sequence);
            }
        }
    }

    bool readEscape(std::string& text)
    {
        if (m_at == m_end)
            return false;
        char const c = *m_at++;
        switch (c) {
        case '"':
        case '\\':
        case '/':
            text.push_back(c);
            return true;
        case 'b':
            text.push_back('\b');
            return true;
        case 'f':
            text.push_back('\f');
            return true;
        case 'n':
            text.push_back('\n');
            return true;
        case 'r':
            text.push_back('\r');
            return true;
        case 't':
            text.push_back('\t');
            return true;
        case 'u':
            break;
        default:
            return false;
        }
        auto unit = readHex4();
        if (!unit || (*unit >= 0xDC00 && *unit <= 0xDFFF))
            return false;
        char32_t codePoint = *unit;
        if (*unit >= 0xD800 && *unit <= 0xDBFF) {
            if (!take('\\') || !take('u'))
                return false;
            auto low = readHex4();
            if (!low || *low < 0xDC00 || *low > 0xDFFF)
                return false;
            codePoint = 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
        }
        appendUtf8(text, codePoint);
        return true;
    }

    std::optional<char32_t> readHex4()
    {
        if (m_end - m_at < 4)
            return std::nullopt;
        char32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            char const c = *m_at++;
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return std::nullopt;
            value = value << 4 | static_cast<char32_t>(digit);
        }
        return value;
    }

    static void appendUtf8(std::string& text, char32_t c)
    {
        if (c < 0x80) {
            text.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            text.push_back(static_cast<char>(0xC0 | (c >> 6)));
            text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            text.push_back(static_cast<char>(0xE0 | (c >> 12)));
            text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            text.push_back(static_cast<char>(0xF0 | (c >> 18)));
            text.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    size_t skipDigits()
    {
        const char* const from = m_at;
        while (m_at != m_end && isDigit(*m_at))
            ++m_at;
        return static_cast<size_t>(m_at - from);
    }

    bool readNumber(Json& value)
    {
        const char* const from = m_at;
        bool const negative = take('-');
        const char* const integral = m_at;
        if (m_at == m_end || !isDigit(*m_at))
            return false;
        if (*m_at == '0')
            ++m_at;
        else
            skipDigits();
        std::string_view const integralDigits(integral, static_cast<size_t>(m_at - integral));
        std::string_view fractionDigits;
        std::string_view exponentDigits;
        bool negativeExponent = false;
        if (take('.')) {
            const char* const fraction = m_at;
            if (skipDigits() == 0)
                return false;
            fractionDigits = { fraction, static_cast<size_t>(m_at - fraction) };
        }
        bool const hasExponent = m_at != m_end && (*m_at == 'e' || *m_at == 'E');
        if (hasExponent) {
            ++m_at;
            negativeExponent = take('-');
            if (!negativeExponent)
                take('+');
            const char* const exponent = m_at;
            if (skipDigits() == 0)
                return false;
            exponentDigits = { exponent, static_cast<size_t>(m_at - exponent) };
        }
        if (fractionDigits.empty() && !hasExponent) {
            if (negative) {
                std::int64_t number = 0;
                if (std::from_chars(from, m_at, number).ec == std::errc()) {
                    value = number;
                    return true;
                }
            } else {
                std::uint64_t number = 0;
                if (std::from_chars(from, m_at, number).ec == std::errc()) {
                    value = number;
                    return true;
                }
            }
        }
        double number = 0;
        auto const [end, error] = std::from_chars(from, m_at, number);
        if (error == std::errc() && end == m_at) {
            value = number;
            return true;
        }
        // Too small for a double is zero, as strtod has it; too large is refused.
        if (error != std::errc::result_out_of_range
            || decimalExponent(integralDigits, fractionDigits, exponentDigits, negativeExponent) >= 0)
            return false;
        value = negative ? -0.0 : 0.0;
        return true;
    }

    // The power of ten of a number's first significant digit (saturating), which tells
    // a number out of a double's range by being tiny from one out of it by being huge.
    static long long decimalExponent(std::string_view integral, std::string_view fraction,
        std::string_view exponent, bool negativeExponent)
    {
        constexpr long long limit = 1'000'000'000;
        long long power = 0;
        for (char digit : exponent)
            power = std::min(limit, power * 10 + (digit - '0'));
        if (negativeExponent)
            power = -power;
        if (integral != "0")
            return power + static_cast<long long>(std::min<size_t>(integral.size(), limit)) - 1;
        auto const significant = fraction.find_first_not_of('0');
        if (significant == std::string_view::npos)
            return 0;
        return power - static_cast<long long>(std::min<size_t>(significant, limit)) - 1;
    }

    const char* m_at;
    const char* m_end;
};

const Json& nullJson()
{
    static const Json null;
    return null;
}

template<typename Int> Int saturate(const Json& value)
{
    using Limits = std::numeric_limits<Int>;
    if (value.is_number_unsigned()) {
        auto v = value.get<std::uint64_t>();
        return v > static_cast<std::uint64_t>(Limits::max()) ? Limits::max() : static_cast<Int>(v);
    }
    if (value.is_number_integer()) {
        auto v = value.get<std::int64_t>();
        if (v > static_cast<std::int64_t>(Limits::max()))
            return Limits::max();
        if (v < static_cast<std::int64_t>(Limits::min()))
            return Limits::min();
        return static_cast<Int>(v);
    }
    // A double is cut toward zero, saturating, with NaN as 0.
    double v = value.get<double>();
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(Limits::max()))
        return Limits::max();
    if (v <= static_cast<double>(Limits::min()))
        return Limits::min();
    return static_cast<Int>(v);
}

} // namespace

std::optional<Json> parseJsonObject(std::string_view text)
{
    auto value = Reader(text).document();
    if (!value || !(value->is_object() || value->is_array()))
        return std::nullopt;
    return value;
}

const Json& valueForKey(const Json& object, std::string_view key)
{
    if (!object.is_object())
        return nullJson();
    auto it = object.find(key);
    return it == object.end() ? nullJson() : *it;
}

const Json& valueForKey(const std::optional<Json>& object, std::string_view key)
{
    return object ? valueForKey(*object, key) : nullJson();
}

std::optional<std::string> optionalText(const Json& object, std::string_view key)
{
    const Json& value = valueForKey(object, key);
    if (!value.is_string())
        return std::nullopt;
    return value.get<std::string>();
}

std::optional<std::string> optionalText(const std::optional<Json>& object, std::string_view key)
{
    return object ? optionalText(*object, key) : std::nullopt;
}

bool isNullOrAbsent(const Json& object, std::string_view key)
{
    return valueForKey(object, key).is_null();
}

double doubleValue(const Json& value)
{
    if (value.is_number())
        return value.get<double>();
    if (value.is_boolean())
        return value.get<bool>() ? 1.0 : 0.0;
    if (value.is_string())
        return doubleValue(value.get_ref<const std::string&>());
    return 0.0;
}

int intValue(const Json& value)
{
    if (value.is_number())
        return saturate<int>(value);
    if (value.is_boolean())
        return value.get<bool>() ? 1 : 0;
    if (value.is_string())
        return intValue(value.get_ref<const std::string&>());
    return 0;
}

long long longLongValue(const Json& value)
{
    if (value.is_number())
        return saturate<long long>(value);
    if (value.is_boolean())
        return value.get<bool>() ? 1 : 0;
    if (value.is_string())
        return longLongValue(value.get_ref<const std::string&>());
    return 0;
}

std::string describe(const Json& value)
{
    switch (value.type()) {
    case Json::value_t::string:
        return value.get<std::string>();
    case Json::value_t::number_integer:
        return std::to_string(value.get<std::int64_t>());
    case Json::value_t::number_unsigned:
        return std::to_string(value.get<std::uint64_t>());
    case Json::value_t::number_float:
        return formatShortest(value.get<double>());
    case Json::value_t::boolean:
        return value.get<bool>() ? "1" : "0";
    case Json::value_t::null:
        return "<null>";
    default:
        return value.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
}

} // namespace foundation
