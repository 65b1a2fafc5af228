#pragma once

#include "platform/crypto/Des.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The request and reply body transform of the signed back-end API: DES-CBC
// with PKCS#7 padding, key and initialisation vector both made of the first
// eight UTF-8 bytes of the merchant's encryption key text, carried as Base64.
//
// The key text is optional: an absent key gives no key bytes and so no
// output at all, while an empty key text is eight zero bytes and works.
class DesCipher {
public:
    using Key = std::optional<std::string>;
    using Bytes = std::vector<std::uint8_t>;

    // Base64 of the encryption of the text's UTF-8 bytes; "" without a key.
    static std::string encode(std::string_view plainText, const Key& key);
    // The decrypted reply text: "" when nothing decrypts (wrong key, bad
    // padding, no key), std::nullopt when the bytes are not valid UTF-8.
    static std::optional<std::string> decode(std::string_view base64Text, const Key& key);
    // Whether a reply body that `decode` turned into `decoded` did not open
    // under the key: it gave bytes that are not UTF-8, or nothing from more
    // than a block of cipher text (an empty text encrypts to one block of
    // padding alone, and every reply the server writes is longer).
    static bool failedToDecrypt(std::string_view base64Text, const std::optional<std::string>& decoded);

    // The two transforms differ only in the Base64 codec of the direction the
    // app does not use: encrypt decodes strictly, doCipher encodes with the
    // strict codec's encoder (which gives the same text).
    static std::optional<std::string> encrypt(
        std::string_view text, crypto::Direction encryptOrDecrypt, const Key& key);
    static std::optional<std::string> doCipher(
        std::string_view text, const Key& key, crypto::Direction context);

    static std::string encodeBase64WithData(std::span<const std::uint8_t> data);
    static std::string encodeBase64WithString(std::string_view text);
    // Tolerant: "=" anywhere and every byte outside the alphabet are skipped,
    // a dangling single character is dropped, and a text holding anything
    // beyond ASCII gives no bytes.
    static Bytes decodeBase64WithString(std::string_view base64Text);

    // RFC 2396 escaping plus "+" and "/", so a keyword survives the form body.
    static std::string urlEncode(std::string_view text);
    static void formatSpecialCharacters(std::string& text);
    static void reformatSpecialCharacters(std::string& text);

    // Exposed for the benchmark and the server, which must cut keys the same way.
    static std::optional<std::array<std::uint8_t, crypto::desBlockSize>> keyBytes(const Key& key);

private:
    static Bytes transform(crypto::Direction direction, std::span<const std::uint8_t> input, const Key& key);
};
