#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The strict Base64 codec: decoding refuses anything that is not clean
// Base64, unlike the tolerant decoder the reply path uses (DesCipher).
class Base64Codec {
public:
    using Bytes = std::vector<std::uint8_t>;

    static constexpr std::string_view standardCharset
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    static constexpr std::string_view webSafeCharset
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

    static Bytes encodeData(std::span<const std::uint8_t> data);
    static Bytes encodeBytesLength(const void* bytes, std::size_t length);
    static std::optional<Bytes> decodeData(std::span<const std::uint8_t> data);
    static std::optional<Bytes> decodeBytesLength(const void* bytes, std::size_t length);

    static std::string stringByEncodingData(std::span<const std::uint8_t> data);
    static std::string stringByEncodingBytesLength(const void* bytes, std::size_t length);
    static std::optional<Bytes> decodeString(std::string_view text);

    static Bytes webSafeEncodeDataPadded(std::span<const std::uint8_t> data, bool padded);
    static Bytes webSafeEncodeBytesLengthPadded(const void* bytes, std::size_t length, bool padded);
    static std::string stringByWebSafeEncodingDataPadded(std::span<const std::uint8_t> data, bool padded);
    static std::string stringByWebSafeEncodingBytesLengthPadded(
        const void* bytes, std::size_t length, bool padded);
    static std::optional<Bytes> webSafeDecodeData(std::span<const std::uint8_t> data);
    static std::optional<Bytes> webSafeDecodeBytesLength(const void* bytes, std::size_t length);
    static std::optional<Bytes> webSafeDecodeString(std::string_view text);

    // Standard padded Base64 of the MD5 of the text's bytes up to the first zero byte.
    static std::string md5_base64(std::string_view text);

    static std::string encodeBase64String(std::string_view text);
    // Decoded bytes that are not valid UTF-8 are kept as U+FFFD rather than lost.
    static std::optional<std::string> decodeBase64String(std::string_view text);
    static std::string encodeBase64Data(std::span<const std::uint8_t> data);
    static std::optional<Bytes> decodeBase64Data(std::string_view text);

    // The core codec. The charset is 64 distinct characters; "=" pads. A
    // charset of any other length encodes and decodes nothing.
    static Bytes baseEncodeLengthCharsetPadded(
        const void* bytes, std::size_t length, std::string_view charset, bool padded);
    static std::optional<Bytes> baseDecodeLengthCharsetRequirePadding(
        const void* bytes, std::size_t length, std::string_view charset, bool requirePadding);

    // Buffer forms: the count of bytes written, or std::nullopt when the input
    // is refused or the destination is too small.
    static std::optional<std::size_t> baseEncode(std::span<const std::uint8_t> source,
        std::span<std::uint8_t> destination, std::string_view charset, bool padded);
    static std::optional<std::size_t> baseDecode(std::span<const std::uint8_t> source,
        std::span<std::uint8_t> destination, std::string_view charset, bool requirePadding);

    static std::size_t encodedLength(std::size_t length, bool padded);
    // An upper bound: white space and padding make the real result shorter.
    static std::size_t maxDecodedLength(std::size_t length);
};
