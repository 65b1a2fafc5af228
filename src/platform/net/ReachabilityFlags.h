#pragma once

#include <cstdint>

namespace net {

// The bit set a reachability target answers. The values are fixed because the
// app formats and compares them bit by bit.
using ReachabilityFlags = std::uint32_t;

inline constexpr ReachabilityFlags kReachabilityFlagsTransientConnection = 0x1;
inline constexpr ReachabilityFlags kReachabilityFlagsReachable = 0x2;
inline constexpr ReachabilityFlags kReachabilityFlagsConnectionRequired = 0x4;
inline constexpr ReachabilityFlags kReachabilityFlagsConnectionOnTraffic = 0x8;
inline constexpr ReachabilityFlags kReachabilityFlagsInterventionRequired = 0x10;
inline constexpr ReachabilityFlags kReachabilityFlagsConnectionOnDemand = 0x20;
inline constexpr ReachabilityFlags kReachabilityFlagsIsLocalAddress = 0x10000;
inline constexpr ReachabilityFlags kReachabilityFlagsIsDirect = 0x20000;
inline constexpr ReachabilityFlags kReachabilityFlagsIsWWAN = 0x40000;

// What a target on this machine answers: no network lies between us and it.
inline constexpr ReachabilityFlags kReachabilityFlagsLoopback
    = kReachabilityFlagsReachable | kReachabilityFlagsIsLocalAddress | kReachabilityFlagsIsDirect;

} // namespace net
