#include "platform/net/NetworkSnapshot.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sstream>

namespace net {

namespace {

// Route flags as the kernel writes them in the /proc tables.
constexpr unsigned kRouteUp = 0x1;
constexpr unsigned kRouteGateway = 0x2;
constexpr unsigned kRouteReject = 0x200;

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> result;
    std::size_t position = 0;
    while (position < line.size()) {
        position = line.find_first_not_of(" \t", position);
        if (position == std::string_view::npos)
            break;
        std::size_t end = line.find_first_of(" \t", position);
        if (end == std::string_view::npos)
            end = line.size();
        result.push_back(line.substr(position, end - position));
        position = end;
    }
    return result;
}

template<typename Callback> void forEachLine(std::string_view text, Callback&& callback)
{
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        callback(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

template<typename T> bool parseHex(std::string_view text, T& value)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool parseHexBytes(std::string_view text, std::array<std::uint8_t, 16>& bytes)
{
    if (text.size() != 32)
        return false;
    for (std::size_t i = 0; i < 16; ++i) {
        if (!parseHex(text.substr(i * 2, 2), bytes[i]))
            return false;
    }
    return true;
}

unsigned prefixLengthOf(const sockaddr* mask)
{
    if (!mask)
        return 0;
    unsigned bits = 0;
    if (mask->sa_family == AF_INET) {
        sockaddr_in in {};
        std::memcpy(&in, mask, sizeof in);
        bits = static_cast<unsigned>(std::popcount(in.sin_addr.s_addr));
    } else if (mask->sa_family == AF_INET6) {
        sockaddr_in6 in6 {};
        std::memcpy(&in6, mask, sizeof in6);
        for (std::uint8_t byte : in6.sin6_addr.s6_addr)
            bits += static_cast<unsigned>(std::popcount(byte));
    }
    return bits;
}

std::string readFile(const char* path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool isLinkLocalNetwork(const SocketAddress& address)
{
    return address == SocketAddress::ipv4({ 169, 254, 0, 0 }, address.port());
}

} // namespace

std::vector<NetworkSnapshot::Route> NetworkSnapshot::parseIPv4Routes(std::string_view text)
{
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ...; addresses
    // are the in-memory value of the network-order word, printed as hex.
    std::vector<Route> routes;
    forEachLine(text, [&](std::string_view line) {
        auto columns = fields(line);
        std::uint32_t destination = 0;
        std::uint32_t flags = 0;
        std::uint32_t mask = 0;
        if (columns.size() < 8 || !parseHex(columns[1], destination) || !parseHex(columns[3], flags)
            || !parseHex(columns[7], mask))
            return;
        if (!(flags & kRouteUp) || (flags & kRouteReject))
            return;
        std::array<std::uint8_t, 4> bytes {};
        std::memcpy(bytes.data(), &destination, bytes.size());
        routes.push_back({ std::string(columns[0]), SocketAddress::ipv4(bytes),
            static_cast<unsigned>(std::popcount(mask)), (flags & kRouteGateway) != 0 });
    });
    return routes;
}

std::vector<NetworkSnapshot::Route> NetworkSnapshot::parseIPv6Routes(std::string_view text)
{
    // Destination, its prefix length, source, its prefix length, next hop,
    // metric, reference count, use count, flags, interface.
    std::vector<Route> routes;
    forEachLine(text, [&](std::string_view line) {
        auto columns = fields(line);
        std::array<std::uint8_t, 16> destination {};
        unsigned prefixLength = 0;
        std::uint32_t flags = 0;
        if (columns.size() < 10 || !parseHexBytes(columns[0], destination)
            || !parseHex(columns[1], prefixLength) || !parseHex(columns[8], flags) || prefixLength > 128)
            return;
        if (!(flags & kRouteUp) || (flags & kRouteReject))
            return;
        routes.push_back({ std::string(columns[9]), SocketAddress::ipv6(destination), prefixLength,
            (flags & kRouteGateway) != 0 });
    });
    return routes;
}

bool NetworkSnapshot::read(NetworkSnapshot& snapshot)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    snapshot = {};
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_name)
            continue;
        auto found = std::find_if(snapshot.interfaces.begin(), snapshot.interfaces.end(),
            [&](const Interface& known) { return known.name == entry->ifa_name; });
        if (found == snapshot.interfaces.end()) {
            snapshot.interfaces.push_back({ entry->ifa_name, false, false, {} });
            found = std::prev(snapshot.interfaces.end());
        }
        found->up = (entry->ifa_flags & IFF_UP) && (entry->ifa_flags & IFF_RUNNING);
        found->loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
        if (!entry->ifa_addr)
            continue;
        socklen_t length
            = entry->ifa_addr->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        if (auto address = SocketAddress::fromSockaddr(entry->ifa_addr, length))
            found->addresses.push_back({ *address, prefixLengthOf(entry->ifa_netmask) });
    }
    freeifaddrs(list);
    std::sort(snapshot.interfaces.begin(), snapshot.interfaces.end(),
        [](const Interface& a, const Interface& b) { return a.name < b.name; });

    snapshot.routes = parseIPv4Routes(readFile("/proc/net/route"));
    auto routes6 = parseIPv6Routes(readFile("/proc/net/ipv6_route"));
    snapshot.routes.insert(snapshot.routes.end(), routes6.begin(), routes6.end());
    return true;
}

const NetworkSnapshot::Interface* NetworkSnapshot::interfaceNamed(std::string_view name) const
{
    for (const auto& interface : interfaces) {
        if (interface.name == name)
            return &interface;
    }
    return nullptr;
}

bool NetworkSnapshot::hasDefaultRoute() const
{
    return std::any_of(routes.begin(), routes.end(), [&](const Route& route) {
        const Interface* interface = interfaceNamed(route.interfaceName);
        return route.prefixLength == 0 && interface && interface->up && !interface->loopback;
    });
}

bool NetworkSnapshot::hasConnectedInterface() const
{
    return std::any_of(interfaces.begin(), interfaces.end(), [](const Interface& interface) {
        return interface.up && !interface.loopback && !interface.addresses.empty();
    });
}

ReachabilityFlags NetworkSnapshot::flagsFor(const SocketAddress& destination) const
{
    SocketAddress address = destination.unmapped();
    if (address.isLoopback())
        return kReachabilityFlagsLoopback;
    // The two generic questions: "is there a way out at all" and "is there a
    // local network", answered from the default route and the interfaces.
    if (address.isUnspecified())
        return hasDefaultRoute() ? kReachabilityFlagsReachable | kReachabilityFlagsIsDirect : 0;
    if (isLinkLocalNetwork(address))
        return hasConnectedInterface() ? kReachabilityFlagsReachable | kReachabilityFlagsIsDirect : 0;

    bool onLink = false;
    for (const auto& interface : interfaces) {
        if (!interface.up)
            continue;
        for (const auto& own : interface.addresses) {
            if (own.address.family() != address.family())
                continue;
            if (own.address.bytes() == address.bytes())
                return kReachabilityFlagsLoopback;
            onLink = onLink || address.isInPrefix(own.address, own.prefixLength);
        }
    }
    if (onLink)
        return kReachabilityFlagsReachable | kReachabilityFlagsIsDirect;

    const Route* best = nullptr;
    for (const auto& route : routes) {
        const Interface* interface = interfaceNamed(route.interfaceName);
        if (!interface || !interface->up || !address.isInPrefix(route.destination, route.prefixLength))
            continue;
        if (!best || route.prefixLength > best->prefixLength)
            best = &route;
    }
    if (!best)
        return 0;
    return kReachabilityFlagsReachable | (best->viaGateway ? 0 : kReachabilityFlagsIsDirect);
}

} // namespace net
