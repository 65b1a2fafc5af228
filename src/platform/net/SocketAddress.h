#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>

namespace net {

// An IPv4 or IPv6 address with a port, kept by value so targets can be
// compared and copied across threads without owning a sockaddr buffer.
class SocketAddress {
public:
    enum class Family { IPv4, IPv6 };

    static SocketAddress ipv4(std::array<std::uint8_t, 4> bytes, std::uint16_t port = 0);
    static SocketAddress ipv6(std::array<std::uint8_t, 16> bytes, std::uint16_t port = 0);
    // An address literal without port or brackets ("10.0.0.1", "fe80::1").
    static std::optional<SocketAddress> parse(std::string_view text, std::uint16_t port = 0);
    // Anything but AF_INET / AF_INET6 of the right length gives nothing.
    static std::optional<SocketAddress> fromSockaddr(const sockaddr* address, socklen_t length);

    Family family() const { return m_family; }
    std::uint16_t port() const { return m_port; }
    // Network order; an IPv4 address uses the first four bytes.
    const std::array<std::uint8_t, 16>& bytes() const { return m_bytes; }
    std::size_t byteCount() const { return m_family == Family::IPv4 ? 4 : 16; }

    bool isLoopback() const;
    bool isUnspecified() const;
    // The IPv4 address inside an IPv4-mapped IPv6 address, or the address itself.
    SocketAddress unmapped() const;
    // True when the first prefixLength bits equal those of network (same family).
    bool isInPrefix(const SocketAddress& network, unsigned prefixLength) const;

    // The address literal without the port.
    std::string text() const;

    bool operator==(const SocketAddress&) const = default;

private:
    SocketAddress(Family family, std::array<std::uint8_t, 16> bytes, std::uint16_t port)
        : m_family(family)
        , m_bytes(bytes)
        , m_port(port)
    {
    }

    Family m_family;
    std::array<std::uint8_t, 16> m_bytes;
    std::uint16_t m_port;
};

} // namespace net
