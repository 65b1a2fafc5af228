#include "platform/net/NetworkSnapshot.h"

#include <gtest/gtest.h>

using namespace net;

namespace {

// Tables as a container with one Ethernet interface writes them.
constexpr const char* kIPv4Routes
    = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
      "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
      "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
      "eth1\t0000000A\t00000000\t0000\t0\t0\t0\t000000FF\t0\t0\t0\n"
      "eth0\t0000A8C0\t00000000\t0201\t0\t0\t0\t0000FFFF\t0\t0\t0\n"
      "eth0\tnot-hex\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n"
      "short line\n";

constexpr const char* kIPv6Routes
    = "fd000000000000000000000000000000 40 00000000000000000000000000000000 00 "
      "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth0\n"
      "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
      "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n"
      "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
      "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n"
      "0000000000000000000000000000000 ff 00000000000000000000000000000000 00 "
      "00000000000000000000000000000000 00000000 00000001 00000000 00000001     eth0\n";

SocketAddress address(const char* text)
{
    return *SocketAddress::parse(text);
}

NetworkSnapshot::Interface loopbackInterface()
{
    return { "lo", true, true, { { address("127.0.0.1"), 8 }, { address("::1"), 128 } } };
}

NetworkSnapshot loopbackOnly()
{
    NetworkSnapshot snapshot;
    snapshot.interfaces = { loopbackInterface() };
    snapshot.routes
        = NetworkSnapshot::parseIPv4Routes("lo\t0000007F\t00000000\t0001\t0\t0\t0\t000000FF\t0\t0\t0\n");
    return snapshot;
}

NetworkSnapshot connected()
{
    NetworkSnapshot snapshot;
    snapshot.interfaces = { loopbackInterface(),
        { "eth0", true, false, { { address("192.0.2.10"), 24 }, { address("fd00::2"), 64 } } } };
    snapshot.routes = NetworkSnapshot::parseIPv4Routes(kIPv4Routes);
    auto routes6 = NetworkSnapshot::parseIPv6Routes(kIPv6Routes);
    snapshot.routes.insert(snapshot.routes.end(), routes6.begin(), routes6.end());
    return snapshot;
}

constexpr ReachabilityFlags kDirect = kReachabilityFlagsReachable | kReachabilityFlagsIsDirect;

} // namespace

TEST(RouteTables, ipv4_table_keeps_only_usable_routes_with_their_prefix_and_gateway)
{
    auto routes = NetworkSnapshot::parseIPv4Routes(kIPv4Routes);
    // The header, the route that is down, the reject route and the broken lines are dropped.
    ASSERT_EQ(routes.size(), 2u);
    EXPECT_EQ(routes[0].destination, address("0.0.0.0"));
    EXPECT_EQ(routes[0].prefixLength, 0u);
    EXPECT_TRUE(routes[0].viaGateway);
    EXPECT_EQ(routes[1].destination, address("192.0.2.0"));
    EXPECT_EQ(routes[1].prefixLength, 24u);
    EXPECT_FALSE(routes[1].viaGateway);
    EXPECT_EQ(routes[1].interfaceName, "eth0");
}

TEST(RouteTables, ipv6_table_drops_the_loopback_reject_default_and_malformed_lines)
{
    auto routes = NetworkSnapshot::parseIPv6Routes(kIPv6Routes);
    ASSERT_EQ(routes.size(), 2u);
    EXPECT_EQ(routes[0].destination, address("fd00::"));
    EXPECT_EQ(routes[0].prefixLength, 64u);
    EXPECT_EQ(routes[1].prefixLength, 0u);
    EXPECT_TRUE(routes[1].viaGateway);
    EXPECT_EQ(routes[1].interfaceName, "eth0");
}

TEST(SnapshotFlags, machine_with_only_loopback_has_no_generic_network_but_reaches_itself)
{
    auto snapshot = loopbackOnly();
    EXPECT_EQ(snapshot.flagsFor(address("0.0.0.0")), 0u);
    EXPECT_EQ(snapshot.flagsFor(address("169.254.0.0")), 0u);
    EXPECT_EQ(snapshot.flagsFor(address("192.0.2.1")), 0u);
    EXPECT_EQ(snapshot.flagsFor(address("127.0.0.1")), kReachabilityFlagsLoopback);
    EXPECT_EQ(snapshot.flagsFor(address("127.1.2.3")), kReachabilityFlagsLoopback);
    EXPECT_EQ(snapshot.flagsFor(address("::1")), kReachabilityFlagsLoopback);
    EXPECT_EQ(snapshot.flagsFor(address("::ffff:127.0.0.1")), kReachabilityFlagsLoopback);
}

TEST(SnapshotFlags, connected_machine_reaches_internet_local_network_and_routed_hosts)
{
    auto snapshot = connected();
    EXPECT_EQ(snapshot.flagsFor(address("0.0.0.0")), kDirect);
    EXPECT_EQ(snapshot.flagsFor(address("169.254.0.0")), kDirect);
    EXPECT_EQ(snapshot.flagsFor(address("192.0.2.10")), kReachabilityFlagsLoopback);
    EXPECT_EQ(snapshot.flagsFor(address("192.0.2.77")), kDirect);
    EXPECT_EQ(snapshot.flagsFor(address("198.51.100.1")), kReachabilityFlagsReachable);
    EXPECT_EQ(snapshot.flagsFor(address("fd00::99")), kDirect);
    EXPECT_EQ(snapshot.flagsFor(address("2001:db8::1")), kReachabilityFlagsReachable);
}

TEST(SnapshotFlags, interface_without_carrier_gives_no_path)
{
    auto snapshot = connected();
    snapshot.interfaces[1].up = false;
    EXPECT_EQ(snapshot.flagsFor(address("0.0.0.0")), 0u);
    EXPECT_EQ(snapshot.flagsFor(address("169.254.0.0")), 0u);
    EXPECT_EQ(snapshot.flagsFor(address("192.0.2.77")), 0u);
    EXPECT_EQ(snapshot.flagsFor(address("198.51.100.1")), 0u);
}

TEST(SnapshotFlags, no_default_route_keeps_the_local_network_but_not_the_internet)
{
    auto snapshot = connected();
    std::erase_if(
        snapshot.routes, [](const NetworkSnapshot::Route& route) { return route.prefixLength == 0; });
    EXPECT_EQ(snapshot.flagsFor(address("0.0.0.0")), 0u);
    EXPECT_EQ(snapshot.flagsFor(address("169.254.0.0")), kDirect);
    EXPECT_EQ(snapshot.flagsFor(address("198.51.100.1")), 0u);
}
