#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace foundation {

// A random (version 4) universally unique identifier.
class UUID {
public:
    // A new identifier from the kernel's random source.
    UUID();
    explicit UUID(const std::array<std::uint8_t, 16>& bytes)
        : m_bytes(bytes)
    {
    }

    const std::array<std::uint8_t, 16>& bytes() const { return m_bytes; }
    // "E621E1F8-C36C-495A-93FC-0C247A3E6E5F": upper-case hexadecimal in the
    // 8-4-4-4-12 grouping.
    std::string uuidString() const;

    // The text of a new identifier.
    static std::string newString() { return UUID().uuidString(); }

private:
    std::array<std::uint8_t, 16> m_bytes;
};

} // namespace foundation
