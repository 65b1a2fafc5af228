#include "platform/net/SocketAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

namespace net {

SocketAddress SocketAddress::ipv4(std::array<std::uint8_t, 4> bytes, std::uint16_t port)
{
    std::array<std::uint8_t, 16> all {};
    std::memcpy(all.data(), bytes.data(), bytes.size());
    return SocketAddress(Family::IPv4, all, port);
}

SocketAddress SocketAddress::ipv6(std::array<std::uint8_t, 16> bytes, std::uint16_t port)
{
    return SocketAddress(Family::IPv6, bytes, port);
}

std::optional<SocketAddress> SocketAddress::parse(std::string_view text, std::uint16_t port)
{
    // inet_pton needs a terminated buffer; longer texts are never literals.
    if (text.empty() || text.size() >= INET6_ADDRSTRLEN)
        return std::nullopt;
    std::string terminated(text);
    std::array<std::uint8_t, 16> bytes {};
    if (inet_pton(AF_INET, terminated.c_str(), bytes.data()) == 1)
        return SocketAddress(Family::IPv4, bytes, port);
    if (inet_pton(AF_INET6, terminated.c_str(), bytes.data()) == 1)
        return SocketAddress(Family::IPv6, bytes, port);
    return std::nullopt;
}

std::optional<SocketAddress> SocketAddress::fromSockaddr(const sockaddr* address, socklen_t length)
{
    if (!address)
        return std::nullopt;
    if (address->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
        sockaddr_in in {};
        std::memcpy(&in, address, sizeof in);
        std::array<std::uint8_t, 4> bytes {};
        std::memcpy(bytes.data(), &in.sin_addr, bytes.size());
        return ipv4(bytes, ntohs(in.sin_port));
    }
    if (address->sa_family == AF_INET6 && length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
        sockaddr_in6 in6 {};
        std::memcpy(&in6, address, sizeof in6);
        std::array<std::uint8_t, 16> bytes {};
        std::memcpy(bytes.data(), &in6.sin6_addr, bytes.size());
        return ipv6(bytes, ntohs(in6.sin6_port));
    }
    return std::nullopt;
}

bool SocketAddress::isLoopback() const
{
    SocketAddress plain = unmapped();
    if (plain.m_family == Family::IPv4)
        return plain.m_bytes[0] == 127;
    static constexpr std::array<std::uint8_t, 16> kLoopback6 { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        1 };
    return plain.m_bytes == kLoopback6;
}

bool SocketAddress::isUnspecified() const
{
    for (std::size_t i = 0; i < byteCount(); ++i) {
        if (m_bytes[i] != 0)
            return false;
    }
    return true;
}

SocketAddress SocketAddress::unmapped() const
{
    if (m_family != Family::IPv6)
        return *this;
    for (int i = 0; i < 10; ++i) {
        if (m_bytes[i] != 0)
            return *this;
    }
    if (m_bytes[10] != 0xff || m_bytes[11] != 0xff)
        return *this;
    return ipv4({ m_bytes[12], m_bytes[13], m_bytes[14], m_bytes[15] }, m_port);
}

bool SocketAddress::isInPrefix(const SocketAddress& network, unsigned prefixLength) const
{
    if (m_family != network.m_family || prefixLength > byteCount() * 8)
        return false;
    unsigned whole = prefixLength / 8;
    if (std::memcmp(m_bytes.data(), network.m_bytes.data(), whole) != 0)
        return false;
    unsigned rest = prefixLength % 8;
    if (rest == 0)
        return true;
    auto mask = static_cast<std::uint8_t>(0xff << (8 - rest));
    return (m_bytes[whole] & mask) == (network.m_bytes[whole] & mask);
}

std::string SocketAddress::text() const
{
    char buffer[INET6_ADDRSTRLEN] = {};
    inet_ntop(m_family == Family::IPv4 ? AF_INET : AF_INET6, m_bytes.data(), buffer, sizeof buffer);
    return buffer;
}

} // namespace net
