#pragma once

#include "platform/net/SocketAddress.h"

#include <optional>
#include <string>
#include <string_view>

namespace net {

// What a reachability question is about: a host named by text, or an address.
class ReachabilityTarget {
public:
    // Accepts "host", "host:port", "[v6]:port" and any of these followed by a
    // "/path" (the HTTP engine names its host with a path segment); the path
    // and port are ignored. Gives nothing for text that cannot name a host.
    static std::optional<ReachabilityTarget> fromName(std::string_view text);
    static ReachabilityTarget fromAddress(const SocketAddress& address);

    bool isName() const { return !m_host.empty(); }
    // The host part of a name target, lower-cased; empty for an address target.
    const std::string& host() const { return m_host; }
    // The address of an address target, or of a name that is an address literal.
    const std::optional<SocketAddress>& address() const { return m_address; }
    // The text the target was made from (the address literal for an address).
    const std::string& text() const { return m_text; }

    // A loopback literal or "localhost": answered without asking the network.
    bool isLoopback() const;

private:
    ReachabilityTarget() = default;

    std::string m_text;
    std::string m_host;
    std::optional<SocketAddress> m_address;
};

// The host of a configured service, given as a host text or a URL
// ("http://127.0.0.1:8080/api"). Gives nothing when no host can be read.
std::optional<ReachabilityTarget> serviceTarget(std::string_view text);

} // namespace net
