#include "platform/net/LinuxNetworkStateSource.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace net {

namespace {

// A resolved name is trusted this long unless the network changes first.
constexpr auto kResolvedLifetime = std::chrono::seconds(30);
// Without a routing socket the tables are read this often.
constexpr int kPollIntervalMs = 2000;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1)
        : m_fd(fd)
    {
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

int openRoutingSocket()
{
    int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0)
        return -1;
    sockaddr_nl address {};
    address.nl_family = AF_NETLINK;
    address.nl_groups
        = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_IFADDR | RTMGRP_IPV6_ROUTE;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Tells from the kernel's routing messages whether an interface, an address or a
// route may have changed since it was last asked. The messages only say that
// something changed; the tables are read afresh, so their content is dropped.
class RoutingChanges {
public:
    // Negative when no routing socket could be opened.
    int descriptor() const { return m_socket.get(); }

    // Reads every message waiting; true when there was one, or when it cannot tell.
    bool changed()
    {
        if (m_socket.get() < 0)
            return true;
        bool changed = !m_asked;
        m_asked = true;
        std::array<char, 8192> buffer;
        for (;;) {
            ssize_t const received = ::recv(m_socket.get(), buffer.data(), buffer.size(), 0);
            // An overflow (ENOBUFS) is reported once: messages, so changes, were lost.
            if (received > 0 || (received < 0 && errno == ENOBUFS))
                changed = true;
            else if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return changed;
            else if (!(received < 0 && errno == EINTR))
                return true; // closed or failing: it cannot tell any more
        }
    }

private:
    // Opened before the first reading, so no change after it goes unseen.
    FileDescriptor m_socket { openRoutingSocket() };
    bool m_asked { false };
};

} // namespace

// Shared with the watcher thread so that the thread can outlive a stop made
// from inside its own change handler.
struct LinuxNetworkStateSource::Worker {
    std::atomic<bool> stopping { false };
    FileDescriptor wake { ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK) };
};

LinuxNetworkStateSource::LinuxNetworkStateSource()
    : LinuxNetworkStateSource(
        []() -> std::optional<NetworkSnapshot> {
            NetworkSnapshot snapshot;
            if (!NetworkSnapshot::read(snapshot))
                return std::nullopt;
            return snapshot;
        },
        &LinuxNetworkStateSource::resolveWithSystem,
        [routing = std::make_shared<RoutingChanges>()] { return routing->changed(); })
{
}

LinuxNetworkStateSource::LinuxNetworkStateSource(
    SnapshotReader reader, Resolver resolver, ChangeSignal changed)
    : m_reader(std::move(reader))
    , m_resolver(std::move(resolver))
    , m_changed(std::move(changed))
{
}

LinuxNetworkStateSource::~LinuxNetworkStateSource()
{
    stop();
}

std::optional<ReachabilityFlags> LinuxNetworkStateSource::flags(const ReachabilityTarget& target)
{
    if (target.isLoopback())
        return kReachabilityFlagsLoopback;
    auto snapshot = currentSnapshot();
    if (!snapshot)
        return std::nullopt;
    if (target.address())
        return snapshot->flagsFor(*target.address());
    // A name is as reachable as the first of its addresses that has a path.
    for (const auto& address : resolve(target.host())) {
        if (ReachabilityFlags flags = snapshot->flagsFor(address))
            return flags;
    }
    return 0;
}

std::shared_ptr<const NetworkSnapshot> LinuxNetworkStateSource::currentSnapshot()
{
    std::scoped_lock lock(m_snapshotMutex);
    if (m_snapshot && m_changed && !m_changed())
        return m_snapshot;
    auto read = m_reader();
    if (!read) {
        m_snapshot = nullptr;
        return nullptr;
    }
    auto snapshot = std::make_shared<const NetworkSnapshot>(std::move(*read));
    if (m_snapshot && *m_snapshot != *snapshot) {
        // Names may stand for other addresses on another network.
        std::scoped_lock resolvedLock(m_mutex);
        m_resolved.clear();
    }
    m_snapshot = snapshot;
    return snapshot;
}

std::vector<SocketAddress> LinuxNetworkStateSource::resolve(const std::string& host)
{
    auto now = std::chrono::steady_clock::now();
    {
        std::scoped_lock lock(m_mutex);
        auto found = m_resolved.find(host);
        if (found != m_resolved.end() && now - found->second.time < kResolvedLifetime)
            return found->second.addresses;
    }
    // Resolved unlocked: a slow name server must not hold up other questions.
    auto addresses = m_resolver(host);
    std::scoped_lock lock(m_mutex);
    m_resolved[host] = { addresses, now };
    return addresses;
}

std::vector<SocketAddress> LinuxNetworkStateSource::resolveWithSystem(const std::string& host)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    std::vector<SocketAddress> addresses;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0)
        return addresses;
    for (addrinfo* entry = list; entry; entry = entry->ai_next) {
        if (auto address = SocketAddress::fromSockaddr(entry->ai_addr, entry->ai_addrlen))
            addresses.push_back(*address);
    }
    ::freeaddrinfo(list);
    return addresses;
}

void LinuxNetworkStateSource::checkForChange()
{
    auto snapshot = m_reader();
    std::function<void()> onChange;
    {
        std::scoped_lock lock(m_mutex);
        if (snapshot == m_lastSnapshot)
            return;
        m_lastSnapshot = std::move(snapshot);
        m_resolved.clear();
        onChange = m_onChange;
    }
    // Last use of this object in the call: the handler may stop the watcher.
    if (onChange)
        onChange();
}

void LinuxNetworkStateSource::start(std::function<void()> onChange)
{
    stop();
    auto worker = std::make_shared<Worker>();
    {
        std::scoped_lock lock(m_mutex);
        m_onChange = std::move(onChange);
        m_lastSnapshot = m_reader();
        m_worker = worker;
    }
    m_thread = std::thread([this, worker] { watch(worker); });
}

void LinuxNetworkStateSource::stop()
{
    std::shared_ptr<Worker> worker;
    {
        std::scoped_lock lock(m_mutex);
        worker = std::exchange(m_worker, nullptr);
        m_onChange = nullptr;
    }
    if (!worker)
        return;
    worker->stopping = true;
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(worker->wake.get(), &one, sizeof one);
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else if (m_thread.joinable())
        m_thread.join();
}

void LinuxNetworkStateSource::watch(const std::shared_ptr<Worker>& worker)
{
    RoutingChanges routing;
    std::array<pollfd, 2> fds { { { worker->wake.get(), POLLIN, 0 }, { routing.descriptor(), POLLIN, 0 } } };
    int count = routing.descriptor() >= 0 ? 2 : 1;
    // Without a wake-up descriptor a stop is only seen at the next interval.
    int timeout = routing.descriptor() >= 0 && worker->wake.get() >= 0 ? -1 : kPollIntervalMs;
    while (!worker->stopping) {
        int ready = ::poll(fds.data(), count, timeout);
        if (worker->stopping)
            break;
        if (ready < 0 && errno != EINTR)
            break;
        if (count == 2 && fds[1].revents)
            routing.changed();
        checkForChange();
    }
}

} // namespace net
