#include "platform/foundation/Strings.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>

namespace foundation {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct Decoded {
    char32_t codePoint;
    std::size_t length;
    bool valid;
};

// One step of strict UTF-8 decoding. A bad sequence consumes one byte, so a
// broken text still makes progress and counts every stray byte once.
Decoded decodeAt(std::string_view bytes, std::size_t i)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80)
        return { lead, 1, true };
    std::size_t length;
    char32_t cp;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        return { kReplacement, 1, false };
    }
    if (i + length > bytes.size())
        return { kReplacement, 1, false };
    for (std::size_t k = 1; k < length; ++k) {
        unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80)
            return { kReplacement, 1, false };
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return { kReplacement, 1, false };
    return { cp, length, true };
}

template<typename Visit> void forEachCodePoint(std::string_view text, Visit&& visit)
{
    for (std::size_t i = 0; i < text.size();) {
        Decoded d = decodeAt(text, i);
        visit(d.codePoint, i, d.length);
        i += d.length;
    }
}

std::size_t unitsOf(char32_t cp)
{
    return cp >= 0x10000 ? 2 : 1;
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Skips the leading white space of a numeric text; returns the byte offset.
std::size_t skipLeadingWhitespace(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        Decoded d = decodeAt(text, i);
        if (!d.valid || !isWhitespaceOrNewline(d.codePoint))
            break;
        i += d.length;
    }
    return i;
}

// The leading integer as sign + digits, or empty when there is none.
struct IntegerToken {
    bool negative = false;
    std::string_view digits;
};

IntegerToken leadingInteger(std::string_view text)
{
    std::size_t i = skipLeadingWhitespace(text);
    IntegerToken token;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        token.negative = text[i] == '-';
        ++i;
    }
    std::size_t start = i;
    while (i < text.size() && isAsciiDigit(text[i]))
        ++i;
    token.digits = text.substr(start, i - start);
    return token;
}

// Accumulates digits with saturation at the type's limits.
template<typename Int> Int saturatingValue(const IntegerToken& token)
{
    using Limits = std::numeric_limits<Int>;
    // Accumulate towards the negative side, which has one more value.
    Int value = 0;
    for (char c : token.digits) {
        int digit = c - '0';
        if (value < (Limits::min() + digit) / 10)
            return token.negative ? Limits::min() : Limits::max();
        value = static_cast<Int>(value * 10 - digit);
    }
    if (token.negative)
        return value;
    if (value == Limits::min())
        return Limits::max();
    return static_cast<Int>(-value);
}

locale_t cLocale()
{
    static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

} // namespace

// ---- UTF-8 and UTF-16 -------------------------------------------------------

bool isValidUtf8(std::string_view bytes)
{
    // Replies are mostly ASCII JSON: runs of eight ASCII bytes are passed a
    // word at a time so that validation does not dominate their decryption.
    // The word loop is kept apart from the byte-wise steps so that its index
    // never waits on a loaded byte.
    constexpr std::uint64_t highBits = 0x8080808080808080;
    std::size_t i = 0;
    while (i < bytes.size()) {
        for (std::uint64_t word; bytes.size() - i >= sizeof(word); i += sizeof(word)) {
            std::memcpy(&word, bytes.data() + i, sizeof(word));
            if (word & highBits)
                break;
        }
        if (i == bytes.size())
            break;
        // At least one code point, then on until ASCII comes back.
        do {
            Decoded d = decodeAt(bytes, i);
            if (!d.valid)
                return false;
            i += d.length;
        } while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) >= 0x80);
    }
    return true;
}

std::optional<std::string> textFromUtf8(std::string_view bytes)
{
    if (!isValidUtf8(bytes))
        return std::nullopt;
    return std::string(bytes);
}

std::optional<std::u32string> decodeUtf8(std::string_view bytes)
{
    std::u32string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        Decoded d = decodeAt(bytes, i);
        if (!d.valid)
            return std::nullopt;
        out.push_back(d.codePoint);
        i += d.length;
    }
    return out;
}

std::string encodeUtf8(char32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = kReplacement;
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

std::u16string toUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t cp, std::size_t, std::size_t) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    });
    return out;
}

std::string fromUtf16(std::u16string_view units)
{
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00
            && units[i + 1] <= 0xDFFF) {
            out += encodeUtf8(0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            out += encodeUtf8(unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
        }
    }
    return out;
}

std::size_t utf16Length(std::string_view text)
{
    std::size_t length = 0;
    forEachCodePoint(text, [&](char32_t cp, std::size_t, std::size_t) { length += unitsOf(cp); });
    return length;
}

std::string utf16Substring(std::string_view text, std::size_t location, std::size_t length)
{
    std::u16string units = toUtf16(text);
    if (location >= units.size())
        return {};
    length = std::min(length, units.size() - location);
    return fromUtf16(std::u16string_view(units).substr(location, length));
}

std::string utf16SubstringFrom(std::string_view text, std::size_t location)
{
    return utf16Substring(text, location, std::string_view::npos);
}

std::string utf16SubstringTo(std::string_view text, std::size_t location)
{
    return utf16Substring(text, 0, location);
}

std::optional<std::size_t> utf16IndexOf(std::string_view text, std::string_view needle)
{
    if (needle.empty())
        return std::nullopt;
    std::size_t byteOffset = text.find(needle);
    if (byteOffset == std::string_view::npos)
        return std::nullopt;
    return utf16Length(text.substr(0, byteOffset));
}

char16_t utf16UnitAt(std::string_view text, std::size_t index)
{
    std::u16string units = toUtf16(text);
    return index < units.size() ? units[index] : u'\0';
}

// ---- Small text operations --------------------------------------------------

bool contains(std::string_view text, std::string_view needle)
{
    return !needle.empty() && text.find(needle) != std::string_view::npos;
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return std::string(text);
    std::string out;
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        out.append(text.substr(start, at - start));
        out.append(to);
        start = at + from.size();
    }
    out.append(text.substr(start));
    return out;
}

std::vector<std::string> split(std::string_view text, std::string_view separator)
{
    std::vector<std::string> parts;
    if (separator.empty()) {
        parts.emplace_back(text);
        return parts;
    }
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string_view::npos;
         at = text.find(separator, start)) {
        parts.emplace_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    parts.emplace_back(text.substr(start));
    return parts;
}

std::string asciiLowercase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// ---- White space ------------------------------------------------------------

bool isWhitespaceOrNewline(char32_t cp)
{
    if (cp >= 0x09 && cp <= 0x0D)
        return true;
    switch (cp) {
    case 0x20:
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return cp >= 0x2000 && cp <= 0x200A;
    }
}

std::string trimWhitespaceAndNewlines(std::string_view text)
{
    std::size_t begin = text.size();
    std::size_t end = 0;
    forEachCodePoint(text, [&](char32_t cp, std::size_t at, std::size_t length) {
        if (isWhitespaceOrNewline(cp))
            return;
        begin = std::min(begin, at);
        end = at + length;
    });
    if (begin >= end)
        return {};
    return std::string(text.substr(begin, end - begin));
}

// ---- Numeric value of a text ------------------------------------------------

double doubleValue(std::string_view text)
{
    std::size_t i = skipLeadingWhitespace(text);
    std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && isAsciiDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isAsciiDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    // An exponent counts only when at least one digit follows it.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t e = i + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-'))
            ++e;
        if (e < text.size() && isAsciiDigit(text[e])) {
            while (e < text.size() && isAsciiDigit(text[e]))
                ++e;
            i = e;
        }
    }
    // The token is plain decimal by construction; strtod_l in the C locale
    // gives correct rounding and HUGE_VAL on overflow without reading the
    // process locale's decimal separator.
    std::string token(text.substr(start, i - start));
    return strtod_l(token.c_str(), nullptr, cLocale());
}

int intValue(std::string_view text)
{
    return saturatingValue<int>(leadingInteger(text));
}

long long longLongValue(std::string_view text)
{
    return saturatingValue<long long>(leadingInteger(text));
}

// ---- Percent escaping -------------------------------------------------------

std::string percentEscape(std::string_view text, const PercentKeepSet& keep)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (keep.keeps(byte)) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

std::string addingPercentEscapes(std::string_view text)
{
    return percentEscape(text, kRfc2396UriCharacters);
}

std::optional<std::string> percentUnescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        int high = hexDigitValue(text[i + 1]);
        int low = hexDigitValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return textFromUtf8(out);
}

// ---- Formatting -------------------------------------------------------------

std::string formatFixed(double value, int decimals)
{
    if (std::isnan(value))
        return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    decimals = std::clamp(decimals, 0, 40);
    // 309 integer digits at most, plus sign, point and decimals.
    std::array<char, 400> buffer;
    auto result = std::to_chars(
        buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
    return std::string(buffer.data(), result.ptr);
}

std::string formatShortest(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    std::array<char, 400> buffer;
    char* end = buffer.data() + buffer.size();
    // Plain notation for exponents -4..16 as "%.17g" would choose, but with
    // the fewest digits that read back as the same value.
    int exponent = value == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(value))));
    auto format = exponent >= -4 && exponent < 17 ? std::chars_format::fixed : std::chars_format::scientific;
    auto result = std::to_chars(buffer.data(), end, value, format);
    return std::string(buffer.data(), result.ptr);
}

std::string describe(const std::optional<std::string>& text)
{
    return text ? *text : std::string("(null)");
}

} // namespace foundation
