#pragma once

#include "platform/net/NetworkState.h"
#include "platform/net/ReachabilityTarget.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

namespace net {

// One reachability target: answers its current flags, and while it has both a
// callback and a queue, calls the callback on that queue whenever its flags
// change.
class NetworkReachability : public std::enable_shared_from_this<NetworkReachability> {
public:
    using Callback = std::function<void(ReachabilityFlags)>;
    // Runs a task on the queue the callbacks belong to.
    using Executor = std::function<void(std::function<void()>)>;

    // Nothing for text that cannot name a host.
    static std::shared_ptr<NetworkReachability> createWithName(std::string_view name);
    static std::shared_ptr<NetworkReachability> createWithAddress(const SocketAddress& address);

    explicit NetworkReachability(ReachabilityTarget target);

    const ReachabilityTarget& target() const { return m_target; }
    // Nothing when the network state cannot be read.
    std::optional<ReachabilityFlags> flags() const;

    // An empty callback or executor detaches; both answer false only when the
    // change could not be arranged.
    bool setCallback(Callback callback);
    bool setDispatchQueue(Executor executor);

private:
    void updateWatch();
    void networkStateChanged();

    ReachabilityTarget m_target;
    // Held from reading the flags to queueing the callback, so that two
    // threads announcing changes at once cannot deliver the older answer last.
    std::mutex m_changeMutex;
    std::mutex m_mutex;
    Callback m_callback;
    Executor m_executor;
    ReachabilityFlags m_lastFlags { 0 };
    NetworkState::Watch m_watch;
};

} // namespace net
