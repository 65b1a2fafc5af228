#include "api/DesCipher.h"

#include "api/Md5Util.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct Vector {
    DesCipher::Key key;
    std::string plain;
    std::string base64;
};

// Produced by an independent DES-CBC (PKCS#7) implementation with the key
// bytes cut or zero-filled to eight and used as the initialisation vector too.
const Vector referenceVectors[] = {
    { "12345678", "username=admin&password=e10adc3949ba59abbe56e057f20f883e",
        "xaXujEm3sO2Jl2wspuSqLNJ2zvrx2LMNyLmb6pjf9wU8iPhawPF2f1aAUnkKsWFiBs7N3YsQ4V+izIMw9z6Zrg==" },
    // Shorter key: zero bytes fill it up.
    { "abc", "pagesize=10&currentpage=1", "NLsilVCnShfXZpXBQf+FxBG2ciduIWMkFWq4zRt/Uik=" },
    // Longer key: only its first eight bytes count.
    { "0123456789abcdef", "pagesize=10&currentpage=1", "hdXsX+54kwiZBnAvDDXsa+6mJvx42v8YQjBVFQ1goXc=" },
    // The eighth byte falls inside the first Chinese character: it is cut there.
    { "abcdef密钥", "orderid=2026120612345", "jT6QEjW+hNF4E4XZDx1Xse4cSoCpYXay" },
    // An empty key text is the all-zero (weak) key; an empty body is one pad block.
    { "", "", "fkIoInc2ZsA=" },
    // Exactly one block of text gains a whole block of padding.
    { "", "qvkey=ab", "AB+4ytPQjE64fYKFxkHEFQ==" },
    { "12345678", "12345678", "PXWVqYv/gJ1e7qlmi0f0pQ==" },
    { "12345678", "", "RDHMAmeVSGY=" },
    { "12345678",
        R"({"status":"1","info":"成功","data":{"id":"7","username":"张三","truename":"张三","job":"2"}})",
        "9Yg+SKNxOFMIe1t5RpTMpW1YJlUy40sc7jMq3upWEkR+PvBOBGz+"
        "bZT76ZzMj3rsDnkCouiPN9AtRu79KmJ8SgmhMGMP7zhYIc2WMu/"
        "G52rOMk7jMsDVkj8HsxaJn5Xd5+kGSiPP9nY=" },
};

} // namespace

TEST(DesCipherVectors, EncodeAndDecodeMatchIndependentImplementation)
{
    for (auto const& vector : referenceVectors) {
        EXPECT_EQ(DesCipher::encode(vector.plain, vector.key), vector.base64) << vector.plain;
        EXPECT_EQ(DesCipher::decode(vector.base64, vector.key), vector.plain) << vector.plain;
        // The unused directions of the two transforms must agree with the used ones.
        EXPECT_EQ(DesCipher::doCipher(vector.plain, vector.key, crypto::Direction::Encrypt), vector.base64);
        EXPECT_EQ(DesCipher::encrypt(vector.base64, crypto::Direction::Decrypt, vector.key), vector.plain);
    }
}

TEST(DesCipherFailures, MissingKeyGivesNoOutputRatherThanZeroKey)
{
    EXPECT_EQ(DesCipher::encode("pagesize=10", std::nullopt), "");
    EXPECT_EQ(DesCipher::decode("fkIoInc2ZsA=", std::nullopt), "");
    EXPECT_EQ(DesCipher::decode("fkIoInc2ZsA=", ""), "");
}

TEST(DesCipherFailures, UndecryptableReplyGivesEmptyTextOrNothingNeverCrashes)
{
    std::string const reply = referenceVectors[8].base64;
    for (DesCipher::Key key : { DesCipher::Key("87654321"), DesCipher::Key(""), DesCipher::Key("1234567") }) {
        auto const text = DesCipher::decode(reply, key);
        EXPECT_TRUE(!text || *text != referenceVectors[8].plain);
    }
    for (std::string_view garbage :
        { "", "=", "A", "AAAA", "!!!!", "中文", "RDHMAmeVSG", "RDHMAmeVSGY=RDHM" })
        EXPECT_EQ(DesCipher::decode(garbage, "12345678"), "") << garbage;
}

TEST(DesCipherFailures, ReplyThatIsNotUtf8GivesNothing)
{
    std::uint8_t const notUtf8[] = { 0xff, 0xfe, 'a' };
    auto const key = DesCipher::keyBytes("12345678");
    auto const cipher = crypto::desCbc(crypto::Direction::Encrypt, *key, *key, notUtf8);
    EXPECT_EQ(DesCipher::decode(DesCipher::encodeBase64WithData(cipher), "12345678"), std::nullopt);
}

// The reply path decodes tolerantly, the unused decrypt direction strictly.
TEST(DesCipherFailures, ReplyDecodingToleratesLineBreaksAndMissingPadding)
{
    EXPECT_EQ(DesCipher::decode("PXWVqYv/gJ1e\r\n7qlmi0f0pQ==", "12345678"), "12345678");
    EXPECT_EQ(DesCipher::decode("PXWVqYv/gJ1e7qlmi0f0pQ", "12345678"), "12345678");
    EXPECT_EQ(DesCipher::encrypt("PXWVqYv/gJ1e7qlmi0f0pQ", crypto::Direction::Decrypt, "12345678"), "");
    EXPECT_EQ(DesCipher::encrypt("PXWVqYv/gJ1e*7qlmi0f0pQ==", crypto::Direction::Decrypt, "12345678"), "");
}

TEST(DesCipherBase64, TolerantDecoderQuirks)
{
    auto decoded = [](std::string_view text) {
        auto const bytes = DesCipher::decodeBase64WithString(text);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(decoded("QUI"), "AB");
    EXPECT_EQ(decoded("QUI="), "AB");
    EXPECT_EQ(decoded("QU JD\nRA=="), "ABCD");
    EXPECT_EQ(decoded("QU=JD"), "ABC");
    EXPECT_EQ(decoded("QUJDR"), "ABC");
    EXPECT_EQ(decoded("QUJD中"), "");
    EXPECT_EQ(decoded(""), "");
    EXPECT_EQ(DesCipher::encodeBase64WithString("ABCD"), "QUJDRA==");
    EXPECT_EQ(DesCipher::encodeBase64WithString(""), "");
}

TEST(DesCipherText, UrlEncodeEscapesFormSeparatorsSoAValueCannotSplitTheBody)
{
    EXPECT_EQ(DesCipher::urlEncode("a+b/c d&e=f"), "a%2Bb%2Fc%20d%26e%3Df");
    EXPECT_EQ(DesCipher::urlEncode("会员"), "%E4%BC%9A%E5%91%98");
    EXPECT_EQ(DesCipher::urlEncode("#%\"<>"), "%23%25%22%3C%3E");
    EXPECT_EQ(DesCipher::urlEncode("?@;:$,-_.!~*'()"), "?@;:$,-_.!~*'()");
}

TEST(DesCipherText, SpecialCharacterSubstitutionRoundTrips)
{
    std::string text = "ab+c/d+/";
    DesCipher::formatSpecialCharacters(text);
    EXPECT_EQ(text, "ab$$c@@d$$@@");
    DesCipher::reformatSpecialCharacters(text);
    EXPECT_EQ(text, "ab+c/d+/");
}

// The digest itself is checked against RFC 1321 in the crypto tests.
TEST(Md5Util, Md5_32IsLowercaseHexOfBytesBeforeFirstZero)
{
    EXPECT_EQ(Md5Util::md5_32("123456"), "e10adc3949ba59abbe56e057f20f883e");
    EXPECT_EQ(Md5Util::md5_32(std::string_view("abc\0def", 7)), "900150983cd24fb0d6963f7d28e17f72");
}
