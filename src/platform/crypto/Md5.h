#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace crypto {

inline constexpr std::size_t md5DigestSize = 16;

using Md5Digest = std::array<std::uint8_t, md5DigestSize>;

// RFC 1321 digest of exactly the given bytes; callers that need the
// C-string view cut their input themselves.
Md5Digest md5(std::span<const std::uint8_t> input);

} // namespace crypto
