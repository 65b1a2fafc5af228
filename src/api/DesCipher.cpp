#include "api/DesCipher.h"

#include "api/Base64Codec.h"
#include "platform/foundation/Strings.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::string_view alphabet = Base64Codec::standardCharset;
constexpr std::int8_t skipped = -1;

constexpr std::array<std::int8_t, 256> makeTolerantTable()
{
    std::array<std::int8_t, 256> table {};
    for (auto& entry : table)
        entry = skipped;
    for (std::size_t i = 0; i < alphabet.size(); ++i)
        table[static_cast<std::uint8_t>(alphabet[i])] = static_cast<std::int8_t>(i);
    return table;
}

constexpr auto tolerantTable = makeTolerantTable();

std::span<const std::uint8_t> asBytes(std::string_view text)
{
    return { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() };
}

std::optional<std::string> utf8Text(const DesCipher::Bytes& bytes)
{
    std::string_view const text { reinterpret_cast<const char*>(bytes.data()), bytes.size() };
    if (!foundation::isValidUtf8(text))
        return std::nullopt;
    return std::string(text);
}

} // namespace

std::optional<std::array<std::uint8_t, crypto::desBlockSize>> DesCipher::keyBytes(const Key& key)
{
    if (!key)
        return std::nullopt;
    // Cut by bytes, not characters: a multi-byte character at the eighth
    // byte is split, which is what the server expects.
    std::array<std::uint8_t, crypto::desBlockSize> bytes {};
    std::copy_n(key->begin(), std::min(key->size(), bytes.size()), bytes.begin());
    return bytes;
}

DesCipher::Bytes DesCipher::transform(
    crypto::Direction direction, std::span<const std::uint8_t> input, const Key& key)
{
    auto const bytes = keyBytes(key);
    if (!bytes)
        return {};
    return crypto::desCbc(direction, *bytes, *bytes, input);
}

std::string DesCipher::encode(std::string_view plainText, const Key& key)
{
    return encrypt(plainText, crypto::Direction::Encrypt, key).value_or(std::string());
}

std::optional<std::string> DesCipher::decode(std::string_view base64Text, const Key& key)
{
    return doCipher(base64Text, key, crypto::Direction::Decrypt);
}

bool DesCipher::failedToDecrypt(std::string_view base64Text, const std::optional<std::string>& decoded)
{
    if (!decoded)
        return true;
    return decoded->empty() && decodeBase64WithString(base64Text).size() > crypto::desBlockSize;
}

std::optional<std::string> DesCipher::encrypt(
    std::string_view text, crypto::Direction encryptOrDecrypt, const Key& key)
{
    if (encryptOrDecrypt == crypto::Direction::Encrypt)
        return encodeBase64WithData(transform(encryptOrDecrypt, asBytes(text), key));
    auto const cipherBytes = Base64Codec::decodeString(text).value_or(Bytes());
    return utf8Text(transform(encryptOrDecrypt, cipherBytes, key));
}

std::optional<std::string> DesCipher::doCipher(
    std::string_view text, const Key& key, crypto::Direction context)
{
    if (context == crypto::Direction::Encrypt)
        return Base64Codec::stringByEncodingData(transform(context, asBytes(text), key));
    return utf8Text(transform(context, decodeBase64WithString(text), key));
}

std::string DesCipher::encodeBase64WithData(std::span<const std::uint8_t> data)
{
    return Base64Codec::stringByEncodingData(data);
}

std::string DesCipher::encodeBase64WithString(std::string_view text)
{
    return encodeBase64WithData(asBytes(text));
}

DesCipher::Bytes DesCipher::decodeBase64WithString(std::string_view base64Text)
{
    Bytes output(base64Text.size() / 4 * 3 + 2);
    std::size_t written = 0;
    std::uint32_t group = 0;
    int count = 0;
    for (char c : base64Text) {
        auto const byte = static_cast<std::uint8_t>(c);
        if (byte >= 0x80)
            return {};
        std::int8_t const value = tolerantTable[byte];
        if (value == skipped)
            continue;
        group = group << 6 | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            output[written++] = static_cast<std::uint8_t>(group >> 16);
            output[written++] = static_cast<std::uint8_t>(group >> 8);
            output[written++] = static_cast<std::uint8_t>(group);
            group = 0;
            count = 0;
        }
    }
    if (count == 3) {
        output[written++] = static_cast<std::uint8_t>(group >> 10);
        output[written++] = static_cast<std::uint8_t>(group >> 2);
    } else if (count == 2) {
        output[written++] = static_cast<std::uint8_t>(group >> 4);
    }
    output.resize(written);
    return output;
}

std::string DesCipher::urlEncode(std::string_view text)
{
    std::string escaped = foundation::addingPercentEscapes(text);
    escaped = foundation::replaceAll(escaped, "+", "%2B");
    escaped = foundation::replaceAll(escaped, "/", "%2F");
    // The form body is cut at "&" and "=": a value must carry neither bare.
    escaped = foundation::replaceAll(escaped, "&", "%26");
    return foundation::replaceAll(escaped, "=", "%3D");
}

void DesCipher::formatSpecialCharacters(std::string& text)
{
    text = foundation::replaceAll(text, "+", "$$");
    text = foundation::replaceAll(text, "/", "@@");
}

void DesCipher::reformatSpecialCharacters(std::string& text)
{
    text = foundation::replaceAll(text, "$$", "+");
    text = foundation::replaceAll(text, "@@", "/");
}
