#include "platform/crypto/Des.h"

#include <array>
#include <gtest/gtest.h>
#include <string>
#include <string_view>

using crypto::Bytes;
using crypto::desCbc;
using crypto::Direction;

namespace {

using Block = std::array<std::uint8_t, 8>;

Bytes fromHex(std::string_view hex)
{
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

Bytes fromText(std::string_view text)
{
    return { text.begin(), text.end() };
}

constexpr Block fipsKey { 0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef };
constexpr Block fipsIv { 0x12, 0x34, 0x56, 0x78, 0x90, 0xab, 0xcd, 0xef };
constexpr Block zeroKey {};

} // namespace

// Reference outputs come from an independent DES-CBC implementation with
// PKCS#7 padding; the first three blocks are the classic published vector.
TEST(DesCbc, MatchesReferenceCipherTextIncludingPadBlock)
{
    auto const cipher = desCbc(Direction::Encrypt, fipsKey, fipsIv, fromText("Now is the time for all "));
    EXPECT_EQ(cipher, fromHex("e5c7cdde872bf27c43e934008c389c0f683788499a7c05f662c16a27e4fcf277"));
    EXPECT_EQ(desCbc(Direction::Decrypt, fipsKey, fipsIv, cipher), fromText("Now is the time for all "));
}

TEST(DesCbc, WeakAllZeroKeyStillEncrypts)
{
    EXPECT_EQ(desCbc(Direction::Encrypt, zeroKey, zeroKey, {}), fromHex("7e422822773666c0"));
    EXPECT_EQ(
        desCbc(Direction::Encrypt, zeroKey, zeroKey, fromHex("0102030405")), fromHex("0add52345f2fdf20"));
    EXPECT_EQ(
        desCbc(Direction::Decrypt, zeroKey, zeroKey, fromHex("0add52345f2fdf20")), fromHex("0102030405"));
}

TEST(DesCbc, OutputLengthIsNextWholeBlockAndRoundTrips)
{
    for (std::size_t length = 0; length <= 17; ++length) {
        Bytes plain(length);
        for (std::size_t i = 0; i < length; ++i)
            plain[i] = static_cast<std::uint8_t>(i * 37);
        auto const cipher = desCbc(Direction::Encrypt, fipsKey, fipsIv, plain);
        EXPECT_EQ(cipher.size(), (length / 8 + 1) * 8) << length;
        EXPECT_EQ(desCbc(Direction::Decrypt, fipsKey, fipsIv, cipher), plain) << length;
    }
}

TEST(DesCbc, DecryptWritesNothingForEmptyOrMisalignedInput)
{
    auto const cipher = desCbc(Direction::Encrypt, fipsKey, fipsIv, fromText("abcdefghij"));
    EXPECT_TRUE(desCbc(Direction::Decrypt, fipsKey, fipsIv, {}).empty());
    EXPECT_TRUE(
        desCbc(Direction::Decrypt, fipsKey, fipsIv, std::span(cipher).first(cipher.size() - 1)).empty());
    EXPECT_TRUE(desCbc(Direction::Decrypt, fipsKey, fipsIv, std::span(cipher).first(3)).empty());
}

// Encrypting one block and dropping the pad block leaves a cipher text whose
// own last bytes act as the padding, so each pad shape can be checked.
TEST(DesCbc, DecryptChecksEveryPadByte)
{
    auto decryptFirstBlock = [](std::string_view plainBlock) {
        auto const cipher = desCbc(Direction::Encrypt, fipsKey, fipsIv, fromText(plainBlock));
        return desCbc(Direction::Decrypt, fipsKey, fipsIv, std::span(cipher).first(8));
    };
    EXPECT_EQ(decryptFirstBlock("abcde\x03\x03\x03"), fromText("abcde"));
    EXPECT_TRUE(decryptFirstBlock("abcde\x02\x03\x03").empty());
    EXPECT_EQ(decryptFirstBlock("abcd\x03\x03\x03\x03"), fromText("abcd\x03"));
    EXPECT_TRUE(decryptFirstBlock(std::string_view("abcdefg\0", 8)).empty());
    EXPECT_TRUE(decryptFirstBlock("abcdefg\x09").empty());
    EXPECT_EQ(decryptFirstBlock("\x08\x08\x08\x08\x08\x08\x08\x08"), Bytes());
}
