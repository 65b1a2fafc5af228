#pragma once

#include "platform/net/NetworkReachability.h"
#include "platform/net/ReachabilityFlags.h"
#include "platform/net/SocketAddress.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace foundation {
class DispatchQueue;
}

inline constexpr const char* kReachabilityChangedNotification = "kReachabilityChangedNotification";

// currentReachabilityStatus: which kind of network reaches the target, if any.
enum ReachabilityStatus {
    ReachabilityStatusNone = 0,
    ReachabilityStatusWWAN = 1,
    ReachabilityStatusWiFi = 2
};

// Whether one network target can be reached now, and by which kind of
// network. With its notifier running it reports each change on its own serial
// queue and then posts kReachabilityChangedNotification on the main thread;
// while running it keeps itself alive until stopNotifier.
class Reachability : public std::enable_shared_from_this<Reachability> {
public:
    using Block = std::function<void(const std::shared_ptr<Reachability>&)>;

    // Each gives nullptr when the target cannot be made.
    static std::shared_ptr<Reachability> reachabilityWithHostname(const std::string& hostname);
    static std::shared_ptr<Reachability> reachabilityWithAddress(const net::SocketAddress& hostAddress);
    static std::shared_ptr<Reachability> reachabilityForInternetConnection();
    static std::shared_ptr<Reachability> reachabilityForLocalWiFi();

    // initWithReachabilityRef: nullptr without a target. The only way in
    // besides the factories above: startNotifier needs shared ownership.
    static std::shared_ptr<Reachability> create(std::shared_ptr<net::NetworkReachability> ref);

private:
    // Keeps construction to create() while still allowing std::make_shared;
    // the explicit constructor stops outside code building one from {}.
    struct Private {
        explicit Private() = default;
    };

public:
    Reachability(Private, std::shared_ptr<net::NetworkReachability> ref);
    ~Reachability();
    Reachability(const Reachability&) = delete;
    Reachability& operator=(const Reachability&) = delete;

    Block reachableBlock() const;
    void setReachableBlock(Block block);
    Block unreachableBlock() const;
    void setUnreachableBlock(Block block);
    bool reachableOnWWAN() const { return m_reachableOnWWAN; }
    void setReachableOnWWAN(bool reachableOnWWAN) { m_reachableOnWWAN = reachableOnWWAN; }
    const std::shared_ptr<net::NetworkReachability>& reachabilityRef() const { return m_reachabilityRef; }
    std::shared_ptr<foundation::DispatchQueue> reachabilitySerialQueue() const;
    std::shared_ptr<Reachability> reachabilityObject() const;

    bool startNotifier();
    void stopNotifier();

    bool isReachable() const;
    bool isReachableViaWWAN() const;
    bool isReachableViaWiFi() const;
    bool isConnectionRequired() const;
    bool connectionRequired() const;
    bool isConnectionOnDemand() const;
    bool isInterventionRequired() const;
    bool isReachableWithFlags(net::ReachabilityFlags flags) const;

    ReachabilityStatus currentReachabilityStatus() const;
    net::ReachabilityFlags reachabilityFlags() const;
    std::string currentReachabilityString() const;
    std::string currentReachabilityFlags() const;

    // Called on the serial queue with the target's new flags.
    void reachabilityChanged(net::ReachabilityFlags flags);

private:
    const std::shared_ptr<net::NetworkReachability> m_reachabilityRef;
    std::atomic<bool> m_reachableOnWWAN { true };

    mutable std::mutex m_mutex;
    Block m_reachableBlock;
    Block m_unreachableBlock;
    std::shared_ptr<foundation::DispatchQueue> m_reachabilitySerialQueue;
    std::shared_ptr<Reachability> m_reachabilityObject;
};
