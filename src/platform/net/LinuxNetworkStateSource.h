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
//
// The tables read for one question serve the next ones until the kernel's
// routing messages say that an interface, an address or a route changed: the
// app asks before every request, and reading them costs more than a request to
// a server nearby. Where no such socket can be opened, every question reads them.
class LinuxNetworkStateSource final : public NetworkStateSource {
public:
    using SnapshotReader = std::function<std::optional<NetworkSnapshot>()>;
    // The addresses a host name stands for; empty when it cannot be resolved.
    using Resolver = std::function<std::vector<SocketAddress>(const std::string& host)>;
    // Whether the network may have changed since it was last asked; true when it
    // cannot tell. Called under a lock of the source's, one caller at a time.
    using ChangeSignal = std::function<bool()>;

    LinuxNetworkStateSource();
    // Without a change signal every question reads the state afresh.
    LinuxNetworkStateSource(SnapshotReader reader, Resolver resolver, ChangeSignal changed = {});
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
    // The state as last read, read again when it may have changed; nothing when it
    // cannot be read.
    std::shared_ptr<const NetworkSnapshot> currentSnapshot();

    SnapshotReader m_reader;
    Resolver m_resolver;
    ChangeSignal m_changed;

    // Held while the state is read, so that a question never meets a state read
    // before a change it was told of; taken before m_mutex, never after it.
    std::mutex m_snapshotMutex;
    std::shared_ptr<const NetworkSnapshot> m_snapshot;

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
