#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace crypto {

using Bytes = std::vector<std::uint8_t>;

enum class Direction {
    Encrypt = 0,
    Decrypt = 1,
};

inline constexpr std::size_t desBlockSize = 8;

// Single DES in CBC mode with PKCS#7 padding, sized the way the reply and
// request bodies expect: the result is exactly the bytes the cipher wrote.
// Encryption always writes the padded length. Decryption writes nothing when
// the input is empty, not a whole number of blocks, or when any pad byte is
// wrong: a wrong key must not leak a partially decrypted text to the caller.
// Weak keys (the all-zero key of an empty key text included) are accepted.
Bytes desCbc(Direction direction, std::span<const std::uint8_t, desBlockSize> key,
    std::span<const std::uint8_t, desBlockSize> iv, std::span<const std::uint8_t> input);

} // namespace crypto
