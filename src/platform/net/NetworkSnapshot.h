#pragma once

#include "platform/net/ReachabilityFlags.h"
#include "platform/net/SocketAddress.h"

#include <string>
#include <string_view>
#include <vector>

namespace net {

// The machine's interfaces and usable routes at one moment, and the flags
// they give a destination.
class NetworkSnapshot {
public:
    struct Address {
        SocketAddress address;
        unsigned prefixLength { 0 };
        bool operator==(const Address&) const = default;
    };
    struct Interface {
        std::string name;
        bool up { false }; // administratively up and with a carrier
        bool loopback { false };
        std::vector<Address> addresses;
        bool operator==(const Interface&) const = default;
    };
    struct Route {
        std::string interfaceName;
        SocketAddress destination;
        unsigned prefixLength { 0 };
        bool viaGateway { false };
        bool operator==(const Route&) const = default;
    };

    std::vector<Interface> interfaces;
    std::vector<Route> routes;

    // The text of /proc/net/route and /proc/net/ipv6_route. Routes that are
    // down or reject traffic are left out, as are lines that cannot be read.
    static std::vector<Route> parseIPv4Routes(std::string_view text);
    static std::vector<Route> parseIPv6Routes(std::string_view text);

    // Interfaces from getifaddrs and both route tables; false when the
    // interfaces cannot be listed.
    static bool read(NetworkSnapshot& snapshot);

    ReachabilityFlags flagsFor(const SocketAddress& destination) const;

    bool operator==(const NetworkSnapshot&) const = default;

private:
    const Interface* interfaceNamed(std::string_view name) const;
    bool hasDefaultRoute() const;
    bool hasConnectedInterface() const;
};

} // namespace net
