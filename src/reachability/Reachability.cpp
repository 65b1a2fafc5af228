#include "reachability/Reachability.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/NotificationCenter.h"

#include <array>
#include <utility>

using namespace net;

std::shared_ptr<Reachability> Reachability::create(std::shared_ptr<NetworkReachability> ref)
{
    if (!ref)
        return nullptr;
    return std::make_shared<Reachability>(Private {}, std::move(ref));
}

std::shared_ptr<Reachability> Reachability::reachabilityWithHostname(const std::string& hostname)
{
    return create(NetworkReachability::createWithName(hostname));
}

std::shared_ptr<Reachability> Reachability::reachabilityWithAddress(const SocketAddress& hostAddress)
{
    return create(NetworkReachability::createWithAddress(hostAddress));
}

std::shared_ptr<Reachability> Reachability::reachabilityForInternetConnection()
{
    return reachabilityWithAddress(SocketAddress::ipv4({ 0, 0, 0, 0 }));
}

std::shared_ptr<Reachability> Reachability::reachabilityForLocalWiFi()
{
    return reachabilityWithAddress(SocketAddress::ipv4({ 169, 254, 0, 0 }));
}

Reachability::Reachability(Private, std::shared_ptr<NetworkReachability> ref)
    : m_reachabilityRef(std::move(ref))
{
}

Reachability::~Reachability()
{
    // Nothing holds this object any more, so the self-reference is already
    // gone and stopping cannot end it twice.
    stopNotifier();
}

Reachability::Block Reachability::reachableBlock() const
{
    std::scoped_lock lock(m_mutex);
    return m_reachableBlock;
}

void Reachability::setReachableBlock(Block block)
{
    std::scoped_lock lock(m_mutex);
    m_reachableBlock = std::move(block);
}

Reachability::Block Reachability::unreachableBlock() const
{
    std::scoped_lock lock(m_mutex);
    return m_unreachableBlock;
}

void Reachability::setUnreachableBlock(Block block)
{
    std::scoped_lock lock(m_mutex);
    m_unreachableBlock = std::move(block);
}

std::shared_ptr<foundation::DispatchQueue> Reachability::reachabilitySerialQueue() const
{
    std::scoped_lock lock(m_mutex);
    return m_reachabilitySerialQueue;
}

std::shared_ptr<Reachability> Reachability::reachabilityObject() const
{
    std::scoped_lock lock(m_mutex);
    return m_reachabilityObject;
}

bool Reachability::startNotifier()
{
    if (!m_reachabilityRef)
        return false;
    auto queue = foundation::DispatchQueue::createSerial("com.ferrowick.reachability");
    {
        std::scoped_lock lock(m_mutex);
        m_reachabilityObject = shared_from_this();
        m_reachabilitySerialQueue = queue;
    }
    std::weak_ptr<Reachability> weakThis = weak_from_this();
    bool attached = queue && m_reachabilityRef->setCallback([weakThis](ReachabilityFlags flags) {
        if (auto self = weakThis.lock())
            self->reachabilityChanged(flags);
    });
    if (attached && !m_reachabilityRef->setDispatchQueue([queue](std::function<void()> task) {
            queue->async(std::move(task));
        })) {
        m_reachabilityRef->setCallback(nullptr);
        attached = false;
    }
    if (!attached) {
        // The caller still holds a reference, so dropping ours cannot end this object here.
        std::scoped_lock lock(m_mutex);
        m_reachabilitySerialQueue = nullptr;
        m_reachabilityObject = nullptr;
    }
    return attached;
}

void Reachability::stopNotifier()
{
    if (m_reachabilityRef) {
        m_reachabilityRef->setCallback(nullptr);
        m_reachabilityRef->setDispatchQueue(nullptr);
    }
    std::shared_ptr<Reachability> self;
    {
        std::scoped_lock lock(m_mutex);
        m_reachabilitySerialQueue = nullptr;
        self = std::exchange(m_reachabilityObject, nullptr);
    }
    // May delete this: the self-reference may have been the last one.
}

bool Reachability::isReachableWithFlags(ReachabilityFlags flags) const
{
    if (!(flags & kReachabilityFlagsReachable))
        return false;
    // A connection that has to be set up first and then goes away again is
    // not a usable path.
    constexpr ReachabilityFlags transientAndRequired
        = kReachabilityFlagsTransientConnection | kReachabilityFlagsConnectionRequired;
    if ((flags & transientAndRequired) == transientAndRequired)
        return false;
    if ((flags & kReachabilityFlagsIsWWAN) && !m_reachableOnWWAN)
        return false;
    return true;
}

bool Reachability::isReachable() const
{
    return isReachableWithFlags(reachabilityFlags());
}

bool Reachability::isReachableViaWWAN() const
{
    ReachabilityFlags flags = reachabilityFlags();
    return (flags & kReachabilityFlagsReachable) && (flags & kReachabilityFlagsIsWWAN);
}

bool Reachability::isReachableViaWiFi() const
{
    ReachabilityFlags flags = reachabilityFlags();
    return (flags & kReachabilityFlagsReachable) && !(flags & kReachabilityFlagsIsWWAN);
}

bool Reachability::isConnectionRequired() const
{
    return connectionRequired();
}

bool Reachability::connectionRequired() const
{
    return reachabilityFlags() & kReachabilityFlagsConnectionRequired;
}

bool Reachability::isConnectionOnDemand() const
{
    ReachabilityFlags flags = reachabilityFlags();
    return (flags & kReachabilityFlagsConnectionRequired)
        && (flags & (kReachabilityFlagsConnectionOnTraffic | kReachabilityFlagsConnectionOnDemand));
}

bool Reachability::isInterventionRequired() const
{
    ReachabilityFlags flags = reachabilityFlags();
    return (flags & kReachabilityFlagsConnectionRequired) && (flags & kReachabilityFlagsInterventionRequired);
}

ReachabilityStatus Reachability::currentReachabilityStatus() const
{
    if (!isReachable())
        return ReachabilityStatusNone;
    return isReachableViaWiFi() ? ReachabilityStatusWiFi : ReachabilityStatusWWAN;
}

ReachabilityFlags Reachability::reachabilityFlags() const
{
    if (!m_reachabilityRef)
        return 0;
    return m_reachabilityRef->flags().value_or(0);
}

std::string Reachability::currentReachabilityString() const
{
    // The app ships no translations of these, so the keys are the texts.
    switch (currentReachabilityStatus()) {
    case ReachabilityStatusWiFi:
        return "WiFi";
    case ReachabilityStatusWWAN:
        return "Cellular";
    case ReachabilityStatusNone:
        break;
    }
    return "No Connection";
}

std::string Reachability::currentReachabilityFlags() const
{
    struct Letter {
        ReachabilityFlags bit;
        char letter;
    };
    static constexpr std::array<Letter, 9> letters { {
        { kReachabilityFlagsIsWWAN, 'W' },
        { kReachabilityFlagsReachable, 'R' },
        { kReachabilityFlagsConnectionRequired, 'c' },
        { kReachabilityFlagsTransientConnection, 't' },
        { kReachabilityFlagsInterventionRequired, 'i' },
        { kReachabilityFlagsConnectionOnTraffic, 'C' },
        { kReachabilityFlagsConnectionOnDemand, 'D' },
        { kReachabilityFlagsIsLocalAddress, 'l' },
        { kReachabilityFlagsIsDirect, 'd' },
    } };
    ReachabilityFlags flags = reachabilityFlags();
    std::string text;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        if (i == 2)
            text += ' ';
        text += (flags & letters[i].bit) ? letters[i].letter : '-';
    }
    return text;
}

void Reachability::reachabilityChanged(ReachabilityFlags flags)
{
    auto self = weak_from_this().lock();
    if (!self)
        return;
    auto block = isReachableWithFlags(flags) ? reachableBlock() : unreachableBlock();
    if (block)
        block(self);
    // Observers read the status on the main thread, after the block has run.
    foundation::DispatchQueue::main()->async([self] {
        foundation::NotificationCenter::defaultCenter().postNotificationName(
            kReachabilityChangedNotification, self);
    });
}
