#pragma once

// Text rules the screens lean on. Texts are UTF-8 std::strings; wherever a
// length or a position is counted the count is in UTF-16 units, because the
// amounts, field limits and colour runs of the app were defined that way.
// Invalid UTF-8 never crashes a helper: each bad byte counts as one U+FFFD.

#include <array>
#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

// An absent text: the overloads taking it give the neutral answers (length 0,
// value 0). A template so that a plain std::string never has to choose
// between converting to std::string_view and to std::optional.
template<typename T>
concept OptionalText = std::same_as<T, std::optional<std::string>>;

// ---- UTF-8 and UTF-16 -------------------------------------------------------

bool isValidUtf8(std::string_view bytes);

// The bytes as text when they are valid UTF-8 (surrogates and overlong forms
// refused), std::nullopt otherwise.
std::optional<std::string> textFromUtf8(std::string_view bytes);

// The code points of valid UTF-8, std::nullopt otherwise.
std::optional<std::u32string> decodeUtf8(std::string_view bytes);

std::string encodeUtf8(char32_t codePoint);
std::u16string toUtf16(std::string_view text);
// A lone surrogate becomes U+FFFD.
std::string fromUtf16(std::u16string_view units);

std::size_t utf16Length(std::string_view text);
template<OptionalText T> std::size_t utf16Length(const T& text)
{
    return text ? utf16Length(std::string_view(*text)) : 0;
}

// The part of the text at [location, location + length) in UTF-16 units,
// clamped to the text. A surrogate pair cut in half leaves U+FFFD.
std::string utf16Substring(std::string_view text, std::size_t location, std::size_t length);
std::string utf16SubstringFrom(std::string_view text, std::size_t location);
std::string utf16SubstringTo(std::string_view text, std::size_t location);

// UTF-16 position of the first occurrence of the needle, std::nullopt when it
// does not occur (an empty needle never occurs, as with the platform).
std::optional<std::size_t> utf16IndexOf(std::string_view text, std::string_view needle);

// The UTF-16 unit at the index, 0 past the end.
char16_t utf16UnitAt(std::string_view text, std::size_t index);

// ---- Small text operations --------------------------------------------------

bool contains(std::string_view text, std::string_view needle);
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);
// Splitting "" gives one empty part, and adjacent separators give empty parts.
std::vector<std::string> split(std::string_view text, std::string_view separator);
// ASCII letters only: the texts lower-cased are header names and file suffixes.
std::string asciiLowercase(std::string_view text);
// 0-15 for 0-9, a-f and A-F; -1 for any other character.
int hexDigitValue(char c);

// ---- White space ------------------------------------------------------------

// Unicode Z* (space, line and paragraph separators) plus U+0009-U+000D and U+0085.
bool isWhitespaceOrNewline(char32_t codePoint);
std::string trimWhitespaceAndNewlines(std::string_view text);

// ---- Numeric value of a text ------------------------------------------------
// Leading white space, an optional sign, digits, a fraction and an exponent;
// no hex, "inf" or "nan". Nothing readable gives 0; integers saturate.

double doubleValue(std::string_view text);
int intValue(std::string_view text);
long long longLongValue(std::string_view text);
// Literals and std::string would otherwise be ambiguous between the overload
// above and the JSON ones.
inline double doubleValue(const char* text)
{
    return doubleValue(std::string_view(text));
}
inline int intValue(const char* text)
{
    return intValue(std::string_view(text));
}
inline long long longLongValue(const char* text)
{
    return longLongValue(std::string_view(text));
}
inline double doubleValue(const std::string& text)
{
    return doubleValue(std::string_view(text));
}
inline int intValue(const std::string& text)
{
    return intValue(std::string_view(text));
}
inline long long longLongValue(const std::string& text)
{
    return longLongValue(std::string_view(text));
}
template<OptionalText T> double doubleValue(const T& text)
{
    return text ? doubleValue(std::string_view(*text)) : 0.0;
}
template<OptionalText T> int intValue(const T& text)
{
    return text ? intValue(std::string_view(*text)) : 0;
}
template<OptionalText T> long long longLongValue(const T& text)
{
    return text ? longLongValue(std::string_view(*text)) : 0;
}

// ---- Percent escaping -------------------------------------------------------

// The bytes a percent coder leaves as they are. Only ASCII can be kept: every
// byte of a non-ASCII character is always escaped.
class PercentKeepSet {
public:
    constexpr PercentKeepSet(bool lettersAndDigits, std::string_view marks)
    {
        for (int c = 0; c < 128; ++c) {
            bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            m_keep[static_cast<std::size_t>(c)] = lettersAndDigits && alnum;
        }
        for (char c : marks) {
            if (static_cast<unsigned char>(c) < 128)
                m_keep[static_cast<unsigned char>(c)] = true;
        }
    }
    constexpr bool keeps(unsigned char byte) const { return byte < 128 && m_keep[byte]; }

private:
    std::array<bool, 128> m_keep {};
};

// RFC 2396 URI characters: letters, digits, - _ . ! ~ * ' ( ) and ; / ? : @ & = + $ ,
inline constexpr PercentKeepSet kRfc2396UriCharacters { true, "-_.!~*'();/?:@&=+$," };
// RFC 3986 unreserved characters: letters, digits, - . _ ~
inline constexpr PercentKeepSet kUnreservedCharacters { true, "-._~" };

// Every UTF-8 byte outside the keep-set becomes "%" and two upper-case hex digits.
std::string percentEscape(std::string_view text, const PercentKeepSet& keep);
std::string addingPercentEscapes(std::string_view text);
// std::nullopt on a malformed escape or when the result is not valid UTF-8.
// "+" stays "+".
std::optional<std::string> percentUnescape(std::string_view text);

// ---- Formatting, independent of the process locale --------------------------

// As printf "%.Nf": rounds the exact binary value, the decimal point is ".".
std::string formatFixed(double value, int decimals);
// Shortest text that reads back as the same double ("12.5", "100", "1e+21").
std::string formatShortest(double value);
// The "%@" of an optional text: "(null)" when absent.
std::string describe(const std::optional<std::string>& text);

} // namespace foundation
