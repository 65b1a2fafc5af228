#pragma once

#include "platform/net/NetworkSnapshot.h"
#include "platform/net/NetworkStateSource.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace net {

// Flags from this machine's interfaces and routes. Host names are resolved
// when asked about (and the answer kept for a while); changes are noticed
// through a route netlink socket, or by reading the tables every few seconds
// where that socket cannot be opened.
class LinuxNetworkStateSource final : public NetworkStateSource {
public:
    using SnapshotReader = std::function<std::optional<NetworkSnapshot>()>;
    // The addresses a host name stands for; empty when it cannot be resolved.
    using Resolver = std::function<std::vector<SocketAddress>(const std::string& host)>;

    LinuxNetworkStateSource();
    LinuxNetworkStateSource(SnapshotReader reader, Resolver resolver);
    ~LinuxNetworkStateSource() override;

    std::optional<ReachabilityFlags> flags(const ReachabilityTarget& target) override;
    void start(std::function<void()> onChange) override;
    void stop() override;

    // Reads the state and, when it differs from the last reading, forgets
    // resolved names and calls the change handler. The watcher thread calls
    // this after each routing message or poll interval.
    void checkForChange();

    static std::vector<SocketAddress> resolveWithSystem(const std::string& host);

private:
    struct Worker;
    void watch(const std::shared_ptr<Worker>& worker);
    std::vector<SocketAddress> resolve(const std::string& host);

    SnapshotReader m_reader;
    Resolver m_resolver;

    std::mutex m_mutex;
    std::function<void()> m_onChange;
    std::optional<NetworkSnapshot> m_lastSnapshot;
    struct Resolved {
        std::vector<SocketAddress> addresses;
        std::chrono::steady_clock::time_point time;
    };
    std::map<std::string, Resolved> m_resolved;
    std::shared_ptr<Worker> m_worker;
    std::thread m_thread;
};

} // namespace net
