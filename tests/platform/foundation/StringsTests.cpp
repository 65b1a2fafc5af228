#include "platform/foundation/Strings.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace foundation;

TEST(Utf16Counting, ChineseAndEmojiCountAsThePlatformDoes)
{
    EXPECT_EQ(utf16Length("12.50"), 5u);
    EXPECT_EQ(utf16Length("会员卡"), 3u);
    EXPECT_EQ(utf16Length("a😀b"), 4u); // the emoji is a surrogate pair
    EXPECT_EQ(utf16Length(std::optional<std::string>()), 0u);

    EXPECT_EQ(utf16IndexOf("¥12.5", "."), 3u);
    EXPECT_EQ(utf16IndexOf("😀.", "."), 2u);
    EXPECT_EQ(utf16IndexOf("125", "."), std::nullopt);
    EXPECT_EQ(utf16IndexOf("125", ""), std::nullopt);

    EXPECT_EQ(utf16Substring("会员😀卡", 1, 3), "员😀");
    EXPECT_EQ(utf16SubstringTo("12345", 99), "12345");
    EXPECT_EQ(utf16SubstringFrom("12345", 99), "");
    EXPECT_EQ(utf16SubstringTo("a😀", 2), "a\xEF\xBF\xBD"); // half a pair is never emitted as raw surrogate
    EXPECT_EQ(utf16UnitAt("a会", 1), u'会');
    EXPECT_EQ(utf16UnitAt("a", 5), u'\0');
}

TEST(Utf8Validation, RefusesEveryMalformedForm)
{
    EXPECT_TRUE(isValidUtf8("会员 😀"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF")); // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80")); // encoded surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE4\xBC")); // truncated at the end
    EXPECT_FALSE(isValidUtf8("\x80"));
    EXPECT_EQ(textFromUtf8("\xFF"), std::nullopt);
    EXPECT_EQ(decodeUtf8("a😀"), std::u32string(U"a😀"));
    // Broken text still has a length: one unit per stray byte.
    EXPECT_EQ(utf16Length("a\xFF\xFE"), 3u);
    EXPECT_EQ(fromUtf16(toUtf16("会😀")), "会😀");
}

// Runs of ASCII are skipped a word at a time, so every offset of a
// non-ASCII byte within and just past a word must still reach the full check,
// and the word skipping must resume in step after it. The bytes are copied
// into buffers of their exact size: a std::string's terminating zero would
// hide a read past the end from the address sanitizer.
TEST(Utf8Validation, JudgesNonAsciiBytesAtEveryOffsetAfterAsciiRuns)
{
    auto valid = [](const std::string& text) {
        std::vector<char> const exact(text.begin(), text.end());
        return isValidUtf8(std::string_view(exact.data(), exact.size()));
    };
    struct Case {
        std::string_view bytes;
        bool valid;
    };
    constexpr Case cases[] = {
        { "", true }, { "会", true }, { "😀", true }, { "\x80", false }, { "\xC0\xAF", false },
        { "\xED\xA0\x80", false }, { "\xE4\xBC", false }, // cut short by the ASCII that follows
    };
    for (std::size_t offset = 0; offset <= 16; ++offset) {
        std::string const before(offset, 'a');
        for (auto const& c : cases) {
            SCOPED_TRACE(
                testing::Message() << "offset " << offset << ", " << testing::PrintToString(c.bytes));
            EXPECT_EQ(valid(before + std::string(c.bytes) + "0123456789abcdef"), c.valid);
            EXPECT_EQ(valid(before + std::string(c.bytes)), c.valid);
            EXPECT_EQ(valid(before + "会" + std::string(c.bytes) + "0123456789"), c.valid);
        }
    }
}

TEST(Trimming, RemovesUnicodeSpacesButNotOtherCharacters)
{
    EXPECT_EQ(trimWhitespaceAndNewlines("\u3000 13800138000\t\r\n"), "13800138000");
    EXPECT_EQ(trimWhitespaceAndNewlines("\u00A0\u0085\u2028x y\u2009"), "x y");
    EXPECT_EQ(trimWhitespaceAndNewlines(" \u3000\n"), "");
    // Zero-width space is a format character, not white space.
    EXPECT_EQ(trimWhitespaceAndNewlines("\u200Bx"), "\u200Bx");
}

TEST(NumericValue, ReadsTheLeadingNumberLikeThePlatform)
{
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        { "12.50", 12.5 },
        { "  -3.5e2xyz", -350.0 },
        { "\u3000+7", 7.0 },
        { ".5", 0.5 },
        { "5.", 5.0 },
        { "1e", 1.0 },
        { "1e+", 1.0 },
        { "abc", 0.0 },
        { "", 0.0 },
        { "0x1A", 0.0 },
        { "inf", 0.0 },
        { "nan", 0.0 },
        { "-", 0.0 },
        { "- 5", 0.0 },
        { "1,5", 1.0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(doubleValue(c.text), c.value) << c.text;
    EXPECT_TRUE(std::isinf(doubleValue("1e999")));
    EXPECT_EQ(doubleValue(std::optional<std::string>()), 0.0);
}

TEST(NumericValue, IntegersStopAtTheFractionAndSaturate)
{
    EXPECT_EQ(intValue(" 42.9"), 42);
    EXPECT_EQ(intValue("-7abc"), -7);
    EXPECT_EQ(intValue("2147483648"), INT_MAX);
    EXPECT_EQ(intValue("-2147483648"), INT_MIN);
    EXPECT_EQ(intValue("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(longLongValue("1733450000123"), 1733450000123LL);
    EXPECT_EQ(longLongValue("99999999999999999999"), LLONG_MAX);
    EXPECT_EQ(longLongValue("-9223372036854775808"), LLONG_MIN);
    EXPECT_EQ(intValue(std::optional<std::string>()), 0);
}

TEST(PercentEscaping, KeepsUriCharactersAndEscapesTheRest)
{
    EXPECT_EQ(addingPercentEscapes("a b"), "a%20b");
    EXPECT_EQ(addingPercentEscapes("张"), "%E5%BC%A0");
    EXPECT_EQ(addingPercentEscapes("a&b=c?d@e;f:g$h,i+j/k"), "a&b=c?d@e;f:g$h,i+j/k");
    EXPECT_EQ(addingPercentEscapes("#%\"<>[]{}\\^`|"), "%23%25%22%3C%3E%5B%5D%7B%7D%5C%5E%60%7C");
    EXPECT_EQ(addingPercentEscapes("-_.!~*'()"), "-_.!~*'()");
    EXPECT_EQ(addingPercentEscapes(std::string("\n\0", 2)), "%0A%00");
    EXPECT_EQ(percentEscape("a+b/c~", kUnreservedCharacters), "a%2Bb%2Fc~");
}

TEST(PercentEscaping, UnescapeRefusesMalformedInput)
{
    EXPECT_EQ(percentUnescape("%E5%BC%A0+x%2f"), "张+x/");
    EXPECT_EQ(percentUnescape("100%"), std::nullopt);
    EXPECT_EQ(percentUnescape("%4"), std::nullopt);
    EXPECT_EQ(percentUnescape("%G0"), std::nullopt);
    EXPECT_EQ(percentUnescape("%FF"), std::nullopt); // not UTF-8 once decoded
    EXPECT_EQ(percentUnescape(addingPercentEscapes("会员 #1%")), "会员 #1%");
}

TEST(Formatting, FixedRoundsAsPrintfDoes)
{
    EXPECT_EQ(formatFixed(12.0, 2), "12.00");
    EXPECT_EQ(formatFixed(0.125, 2), "0.12"); // exact binary tie: even
    EXPECT_EQ(formatFixed(1.005, 2), "1.00"); // 1.005 is below the tie in binary
    EXPECT_EQ(formatFixed(2.675, 2), "2.67");
    EXPECT_EQ(formatFixed(12.5, 0), "12");
    EXPECT_EQ(formatFixed(-0.001, 2), "-0.00");
    EXPECT_EQ(formatFixed(1e20, 2), "100000000000000000000.00");
    EXPECT_EQ(formatShortest(100000.0), "100000");
    EXPECT_EQ(formatShortest(0.1), "0.1");
    EXPECT_EQ(formatShortest(1e21), "1e+21");
    EXPECT_EQ(describe(std::optional<std::string>()), "(null)");
}

TEST(TextOperations, SplitAndReplaceKeepEmptyParts)
{
    EXPECT_EQ(split("a,,b", ","), (std::vector<std::string> { "a", "", "b" }));
    EXPECT_EQ(split("", ","), (std::vector<std::string> { "" }));
    EXPECT_EQ(replaceAll("a+b+", "+", "%2B"), "a%2Bb%2B");
    EXPECT_EQ(replaceAll("$$$", "$$", "+"), "+$");
    EXPECT_FALSE(contains("abc", ""));
    EXPECT_EQ(asciiLowercase("Max-Age 会"), "max-age 会");
}
