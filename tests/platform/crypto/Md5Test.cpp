#include "platform/crypto/Md5.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace {

std::string md5Hex(std::string_view text)
{
    auto const digest = crypto::md5({ reinterpret_cast<const std::uint8_t*>(text.data()), text.size() });
    std::string hex;
    for (auto byte : digest) {
        static constexpr char digits[] = "0123456789abcdef";
        hex += digits[byte >> 4];
        hex += digits[byte & 0xF];
    }
    return hex;
}

} // namespace

TEST(Md5, MatchesRfc1321TestSuite)
{
    EXPECT_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
        "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
        "57edf4a22be3c955ac49da2e2107b67a");
}

// The digest covers the bytes given; cutting at a zero byte is the callers' rule.
TEST(Md5, HashesEmbeddedZeroBytes)
{
    EXPECT_NE(md5Hex(std::string_view("a\0b", 3)), md5Hex("a"));
}
