#include "api/Base64Codec.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::optional<std::string> strict(std::string_view text)
{
    auto const bytes = Base64Codec::decodeString(text);
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

} // namespace

TEST(Base64CodecStrict, RefusesWhatTheTolerantDecoderAccepts)
{
    EXPECT_EQ(strict("QUI"), std::nullopt);
    EXPECT_EQ(strict("QU=JD"), std::nullopt);
    EXPECT_EQ(strict("QUJD!"), std::nullopt);
    EXPECT_EQ(strict("QUJDR"), std::nullopt);
    EXPECT_EQ(strict("QUI= x"), std::nullopt);
    EXPECT_EQ(strict("QQ="), std::nullopt);
    EXPECT_EQ(strict("Q==="), std::nullopt);
    EXPECT_EQ(strict("QUI=="), std::nullopt);
    EXPECT_EQ(strict("QUJD中"), std::nullopt);
}

TEST(Base64CodecStrict, SkipsWhiteSpaceAndStopsAtZeroByte)
{
    EXPECT_EQ(strict("QU JD\tRA\r\n=\n="), "ABCD");
    EXPECT_EQ(strict("QU\xa0JD\xff"), "ABC");
    EXPECT_EQ(strict(std::string_view("QUJD\0!!", 7)), "ABC");
    EXPECT_EQ(strict("QUI=\n"), "AB");
    EXPECT_EQ(strict(""), "");
}

// Two texts that differ only in the unused low bits must not decode alike.
TEST(Base64CodecStrict, RefusesNonZeroLeftoverBits)
{
    EXPECT_EQ(strict("QQ=="), "A");
    EXPECT_EQ(strict("QR=="), std::nullopt);
    EXPECT_EQ(strict("QUI="), "AB");
    EXPECT_EQ(strict("QUJ="), std::nullopt);
}

TEST(Base64CodecWebSafe, UsesDashAndUnderscoreAndOptionalPadding)
{
    std::uint8_t const bytes[] = { 0xfb, 0xff };
    EXPECT_EQ(Base64Codec::stringByEncodingData(bytes), "+/8=");
    EXPECT_EQ(Base64Codec::stringByWebSafeEncodingDataPadded(bytes, false), "-_8");
    EXPECT_EQ(Base64Codec::stringByWebSafeEncodingDataPadded(bytes, true), "-_8=");
    EXPECT_EQ(
        Base64Codec::webSafeDecodeString("-_8"), Base64Codec::Bytes(std::begin(bytes), std::end(bytes)));
    EXPECT_EQ(
        Base64Codec::webSafeDecodeString("-_8="), Base64Codec::Bytes(std::begin(bytes), std::end(bytes)));
    EXPECT_EQ(Base64Codec::webSafeDecodeString("+/8"), std::nullopt);
}

TEST(Base64CodecCore, BufferFormsRefuseShortDestinationsAndBadCharsets)
{
    std::uint8_t const source[] = { 'a', 'b', 'c', 'd' };
    std::uint8_t destination[8];
    EXPECT_EQ(
        Base64Codec::baseEncode(source, std::span(destination).first(7), Base64Codec::standardCharset, true),
        std::nullopt);
    EXPECT_EQ(Base64Codec::baseEncode(source, destination, Base64Codec::standardCharset, true), 8u);
    EXPECT_EQ(Base64Codec::baseDecode(std::span(destination, 8), std::span(destination).first(3),
                  Base64Codec::standardCharset, true),
        std::nullopt);
    EXPECT_EQ(Base64Codec::baseEncode(source, destination, "abc", true), std::nullopt);
}

TEST(Base64CodecText, Md5AndLossyTextHelpers)
{
    EXPECT_EQ(Base64Codec::md5_base64("abc"), "kAFQmDzST7DWlj99KOF/cg==");
    EXPECT_EQ(Base64Codec::encodeBase64String("会员"), "5Lya5ZGY");
    EXPECT_EQ(Base64Codec::decodeBase64String("5Lya5ZGY"), "会员");
    // 0xff 0x41: the bad byte is replaced, the rest kept.
    EXPECT_EQ(Base64Codec::decodeBase64String("/0E="),
        "\xef\xbf\xbd"
        "A");
    EXPECT_EQ(Base64Codec::decodeBase64String("/0E"), std::nullopt);
}
