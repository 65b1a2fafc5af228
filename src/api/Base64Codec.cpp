#include "api/Base64Codec.h"

#include "platform/crypto/Md5.h"
#include "platform/foundation/Strings.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::uint8_t paddingChar = '=';
constexpr std::size_t charsetSize = 64;
constexpr std::int8_t notInCharset = -1;

std::span<const std::uint8_t> asBytes(const void* bytes, std::size_t length)
{
    if (bytes == nullptr)
        return {};
    return { static_cast<const std::uint8_t*>(bytes), length };
}

std::span<const std::uint8_t> asBytes(std::string_view text)
{
    return asBytes(text.data(), text.size());
}

std::string toText(const Base64Codec::Bytes& bytes)
{
    return { bytes.begin(), bytes.end() };
}

bool isSkippedWhitespace(std::uint8_t byte)
{
    switch (byte) {
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
    case ' ':
    case 0xA0:
    case 0xFF:
        return true;
    default:
        return false;
    }
}

using DecodeTable = std::array<std::int8_t, 256>;

DecodeTable decodeTable(std::string_view charset)
{
    DecodeTable table;
    table.fill(notInCharset);
    for (std::size_t i = 0; i < charset.size(); ++i)
        table[static_cast<std::uint8_t>(charset[i])] = static_cast<std::int8_t>(i);
    return table;
}

} // namespace

std::size_t Base64Codec::encodedLength(std::size_t length, bool padded)
{
    std::size_t const whole = length / 3 * 4;
    std::size_t const rest = length % 3;
    if (rest == 0)
        return whole;
    return whole + (padded ? 4 : rest + 1);
}

std::size_t Base64Codec::maxDecodedLength(std::size_t length)
{
    return length / 4 * 3 + 3;
}

std::optional<std::size_t> Base64Codec::baseEncode(std::span<const std::uint8_t> source,
    std::span<std::uint8_t> destination, std::string_view charset, bool padded)
{
    if (charset.size() != charsetSize)
        return std::nullopt;
    std::size_t const needed = encodedLength(source.size(), padded);
    if (destination.size() < needed)
        return std::nullopt;

    auto digit = [&](std::uint32_t value) { return static_cast<std::uint8_t>(charset[value & 0x3F]); };
    std::size_t in = 0;
    std::size_t out = 0;
    for (; in + 3 <= source.size(); in += 3) {
        std::uint32_t const group = source[in] << 16 | source[in + 1] << 8 | source[in + 2];
        destination[out++] = digit(group >> 18);
        destination[out++] = digit(group >> 12);
        destination[out++] = digit(group >> 6);
        destination[out++] = digit(group);
    }
    std::size_t const rest = source.size() - in;
    if (rest > 0) {
        std::uint32_t const group = source[in] << 16 | (rest == 2 ? source[in + 1] << 8 : 0);
        destination[out++] = digit(group >> 18);
        destination[out++] = digit(group >> 12);
        if (rest == 2)
            destination[out++] = digit(group >> 6);
        if (padded) {
            destination[out++] = paddingChar;
            if (rest == 1)
                destination[out++] = paddingChar;
        }
    }
    return out;
}

std::optional<std::size_t> Base64Codec::baseDecode(std::span<const std::uint8_t> source,
    std::span<std::uint8_t> destination, std::string_view charset, bool requirePadding)
{
    if (charset.size() != charsetSize)
        return std::nullopt;
    DecodeTable const table = decodeTable(charset);

    std::size_t out = 0;
    auto emit = [&](std::uint8_t byte) {
        if (out >= destination.size())
            return false;
        destination[out++] = byte;
        return true;
    };

    std::uint32_t group = 0;
    int count = 0;
    std::size_t i = 0;
    bool sawPadding = false;
    for (; i < source.size(); ++i) {
        std::uint8_t const byte = source[i];
        if (byte == 0)
            break;
        if (isSkippedWhitespace(byte))
            continue;
        if (byte == paddingChar) {
            sawPadding = true;
            break;
        }
        std::int8_t const value = table[byte];
        if (value == notInCharset)
            return std::nullopt;
        group = group << 6 | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            if (!emit(static_cast<std::uint8_t>(group >> 16)) || !emit(static_cast<std::uint8_t>(group >> 8))
                || !emit(static_cast<std::uint8_t>(group)))
                return std::nullopt;
            group = 0;
            count = 0;
        }
    }

    if (sawPadding) {
        // Padding only completes a group of two (with "==") or three (with "=").
        int const expected = count == 2 ? 2 : count == 3 ? 1 : 0;
        if (expected == 0)
            return std::nullopt;
        int pads = 0;
        for (; i < source.size() && source[i] != 0; ++i) {
            std::uint8_t const byte = source[i];
            if (byte == paddingChar) {
                if (++pads > expected)
                    return std::nullopt;
            } else if (!isSkippedWhitespace(byte)) {
                return std::nullopt;
            }
        }
        if (pads != expected)
            return std::nullopt;
    } else if (count == 1 || (count > 1 && requirePadding)) {
        return std::nullopt;
    }

    // Bits beyond the last whole byte must be zero, or two different texts
    // would decode to the same bytes.
    if (count == 2) {
        if ((group & 0xF) != 0 || !emit(static_cast<std::uint8_t>(group >> 4)))
            return std::nullopt;
    } else if (count == 3) {
        if ((group & 0x3) != 0 || !emit(static_cast<std::uint8_t>(group >> 10))
            || !emit(static_cast<std::uint8_t>(group >> 2)))
            return std::nullopt;
    }
    return out;
}

Base64Codec::Bytes Base64Codec::baseEncodeLengthCharsetPadded(
    const void* bytes, std::size_t length, std::string_view charset, bool padded)
{
    auto const source = asBytes(bytes, length);
    Bytes output(encodedLength(source.size(), padded));
    auto const written = baseEncode(source, output, charset, padded);
    output.resize(written.value_or(0));
    return output;
}

std::optional<Base64Codec::Bytes> Base64Codec::baseDecodeLengthCharsetRequirePadding(
    const void* bytes, std::size_t length, std::string_view charset, bool requirePadding)
{
    auto const source = asBytes(bytes, length);
    Bytes output(maxDecodedLength(source.size()));
    auto const written = baseDecode(source, output, charset, requirePadding);
    if (!written)
        return std::nullopt;
    output.resize(*written);
    return output;
}

Base64Codec::Bytes Base64Codec::encodeData(std::span<const std::uint8_t> data)
{
    return baseEncodeLengthCharsetPadded(data.data(), data.size(), standardCharset, true);
}

Base64Codec::Bytes Base64Codec::encodeBytesLength(const void* bytes, std::size_t length)
{
    return baseEncodeLengthCharsetPadded(bytes, length, standardCharset, true);
}

std::optional<Base64Codec::Bytes> Base64Codec::decodeData(std::span<const std::uint8_t> data)
{
    return baseDecodeLengthCharsetRequirePadding(data.data(), data.size(), standardCharset, true);
}

std::optional<Base64Codec::Bytes> Base64Codec::decodeBytesLength(const void* bytes, std::size_t length)
{
    return baseDecodeLengthCharsetRequirePadding(bytes, length, standardCharset, true);
}

std::string Base64Codec::stringByEncodingData(std::span<const std::uint8_t> data)
{
    return toText(encodeData(data));
}

std::string Base64Codec::stringByEncodingBytesLength(const void* bytes, std::size_t length)
{
    return toText(encodeBytesLength(bytes, length));
}

std::optional<Base64Codec::Bytes> Base64Codec::decodeString(std::string_view text)
{
    return decodeData(asBytes(text));
}

Base64Codec::Bytes Base64Codec::webSafeEncodeDataPadded(std::span<const std::uint8_t> data, bool padded)
{
    return baseEncodeLengthCharsetPadded(data.data(), data.size(), webSafeCharset, padded);
}

Base64Codec::Bytes Base64Codec::webSafeEncodeBytesLengthPadded(
    const void* bytes, std::size_t length, bool padded)
{
    return baseEncodeLengthCharsetPadded(bytes, length, webSafeCharset, padded);
}

std::string Base64Codec::stringByWebSafeEncodingDataPadded(std::span<const std::uint8_t> data, bool padded)
{
    return toText(webSafeEncodeDataPadded(data, padded));
}

std::string Base64Codec::stringByWebSafeEncodingBytesLengthPadded(
    const void* bytes, std::size_t length, bool padded)
{
    return toText(webSafeEncodeBytesLengthPadded(bytes, length, padded));
}

std::optional<Base64Codec::Bytes> Base64Codec::webSafeDecodeData(std::span<const std::uint8_t> data)
{
    return baseDecodeLengthCharsetRequirePadding(data.data(), data.size(), webSafeCharset, false);
}

std::optional<Base64Codec::Bytes> Base64Codec::webSafeDecodeBytesLength(const void* bytes, std::size_t length)
{
    return baseDecodeLengthCharsetRequirePadding(bytes, length, webSafeCharset, false);
}

std::optional<Base64Codec::Bytes> Base64Codec::webSafeDecodeString(std::string_view text)
{
    return webSafeDecodeData(asBytes(text));
}

std::string Base64Codec::md5_base64(std::string_view text)
{
    // The digest covers the C-string view of the text, as every MD5 of the app does.
    std::string_view const cString = text.substr(0, text.find('\0'));
    auto const digest = crypto::md5(asBytes(cString));
    return stringByEncodingData(digest);
}

std::string Base64Codec::encodeBase64String(std::string_view text)
{
    return stringByEncodingData(asBytes(text));
}

std::optional<std::string> Base64Codec::decodeBase64String(std::string_view text)
{
    auto const bytes = decodeString(text);
    if (!bytes)
        return std::nullopt;
    std::string decoded = toText(*bytes);
    if (foundation::isValidUtf8(decoded))
        return decoded;
    return foundation::fromUtf16(foundation::toUtf16(decoded));
}

std::string Base64Codec::encodeBase64Data(std::span<const std::uint8_t> data)
{
    return stringByEncodingData(data);
}

std::optional<Base64Codec::Bytes> Base64Codec::decodeBase64Data(std::string_view text)
{
    return decodeString(text);
}
