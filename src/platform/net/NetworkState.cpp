#include "platform/net/NetworkState.h"

#include "platform/net/LinuxNetworkStateSource.h"

#include <map>
#include <mutex>

namespace net {

namespace {

struct Hub {
    // Held across starting and stopping the source, which may join its thread;
    // the state mutex is never held then, so the source thread can still post.
    std::mutex lifecycleMutex;
    std::mutex mutex;
    std::shared_ptr<NetworkStateSource> source;
    bool sourceStarted { false };
    std::vector<std::string> serviceHosts;
    std::map<std::uint64_t, std::shared_ptr<const std::function<void()>>> watchers;
    std::uint64_t nextWatchId { 1 };
};

Hub& hub()
{
    static Hub instance;
    return instance;
}

std::shared_ptr<NetworkStateSource> currentSourceLocked(Hub& state)
{
    if (!state.source)
        state.source = std::make_shared<LinuxNetworkStateSource>();
    return state.source;
}

void removeWatch(std::uint64_t id)
{
    Hub& state = hub();
    std::scoped_lock lifecycle(state.lifecycleMutex);
    std::shared_ptr<NetworkStateSource> toStop;
    {
        std::scoped_lock lock(state.mutex);
        state.watchers.erase(id);
        if (state.watchers.empty() && state.sourceStarted) {
            state.sourceStarted = false;
            toStop = state.source;
        }
    }
    if (toStop)
        toStop->stop();
}

} // namespace

NetworkState::Watch& NetworkState::Watch::operator=(Watch&& other) noexcept
{
    if (this != &other) {
        if (m_id)
            removeWatch(m_id);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

NetworkState::Watch::~Watch()
{
    if (m_id)
        removeWatch(m_id);
}

void NetworkState::setSource(std::shared_ptr<NetworkStateSource> source)
{
    Hub& state = hub();
    {
        std::scoped_lock lifecycle(state.lifecycleMutex);
        std::shared_ptr<NetworkStateSource> toStop;
        std::shared_ptr<NetworkStateSource> toStart;
        {
            std::scoped_lock lock(state.mutex);
            if (state.sourceStarted)
                toStop = state.source;
            state.source = std::move(source);
            state.sourceStarted = !state.watchers.empty();
            if (state.sourceStarted)
                toStart = currentSourceLocked(state);
        }
        if (toStop)
            toStop->stop();
        if (toStart)
            toStart->start([] { NetworkState::notifyChanged(); });
    }
    notifyChanged();
}

std::shared_ptr<NetworkStateSource> NetworkState::source()
{
    Hub& state = hub();
    std::scoped_lock lock(state.mutex);
    return currentSourceLocked(state);
}

void NetworkState::setServiceHosts(std::vector<std::string> hosts)
{
    {
        Hub& state = hub();
        std::scoped_lock lock(state.mutex);
        state.serviceHosts = std::move(hosts);
    }
    // The generic targets' answer may have just changed.
    notifyChanged();
}

std::vector<std::string> NetworkState::serviceHosts()
{
    Hub& state = hub();
    std::scoped_lock lock(state.mutex);
    return state.serviceHosts;
}

bool NetworkState::servicesAreLocal()
{
    auto hosts = serviceHosts();
    if (hosts.empty())
        return false;
    for (const auto& host : hosts) {
        auto target = serviceTarget(host);
        if (!target || !target->isLoopback())
            return false;
    }
    return true;
}

std::optional<ReachabilityFlags> NetworkState::flags(const ReachabilityTarget& target)
{
    // The app asks the generic targets before talking to its back end; when
    // every back end is on this machine, the way there needs no network, so a
    // machine whose only interface is loopback must not be told it is offline.
    if (isGenericTarget(target) && servicesAreLocal())
        return kReachabilityFlagsLoopback;
    return source()->flags(target);
}

NetworkState::Watch NetworkState::watch(std::function<void()> onChange)
{
    Hub& state = hub();
    std::scoped_lock lifecycle(state.lifecycleMutex);
    std::shared_ptr<NetworkStateSource> toStart;
    std::uint64_t id = 0;
    {
        std::scoped_lock lock(state.mutex);
        id = state.nextWatchId++;
        state.watchers.emplace(id, std::make_shared<const std::function<void()>>(std::move(onChange)));
        if (!state.sourceStarted) {
            state.sourceStarted = true;
            toStart = currentSourceLocked(state);
        }
    }
    if (toStart)
        toStart->start([] { NetworkState::notifyChanged(); });
    return Watch(id);
}

void NetworkState::notifyChanged()
{
    std::vector<std::shared_ptr<const std::function<void()>>> watchers;
    {
        Hub& state = hub();
        std::scoped_lock lock(state.mutex);
        for (const auto& [id, watcher] : state.watchers)
            watchers.push_back(watcher);
    }
    // Called unlocked: a watcher may drop its own watch or read flags.
    for (const auto& watcher : watchers)
        (*watcher)();
}

bool NetworkState::isGenericTarget(const ReachabilityTarget& target)
{
    if (target.isName() || !target.address() || target.address()->family() != SocketAddress::Family::IPv4)
        return false;
    const auto& bytes = target.address()->bytes();
    bool any = bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0;
    bool linkLocal = bytes[0] == 169 && bytes[1] == 254 && bytes[2] == 0 && bytes[3] == 0;
    return any || linkLocal;
}

} // namespace net
