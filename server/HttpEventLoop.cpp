#include "server/HttpEventLoop.h"

#include <cerrno>
#include <climits>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace merchant {

namespace {

constexpr std::uint64_t kListenerId = 0;
constexpr std::uint64_t kWakeId = 1;
// Out of descriptors: stop accepting for a moment rather than spin on the
// connection the kernel keeps offering.
constexpr auto kListenPause = std::chrono::milliseconds(100);
constexpr int kAcceptsPerEvent = 64;

} // namespace

HttpEventLoop::HttpEventLoop(int listenFd, const HttpLimits& limits, const HttpConnection::Handler& handler,
    std::atomic<std::size_t>& openConnections)
    : m_listenFd(listenFd)
    , m_limits(limits)
    , m_handler(handler)
    , m_openConnections(openConnections)
    , m_nextId(kWakeId + 1)
{
    // Made here rather than in start(), so that a peer already running can
    // hand this loop a connection before it starts.
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epoll_event wake {};
    wake.events = EPOLLIN;
    wake.data.u64 = kWakeId;
    if (m_epoll >= 0 && m_wake >= 0)
        m_wakeRegistered = ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wake, &wake) == 0;
}

HttpEventLoop::~HttpEventLoop()
{
    requestStop();
    join();
    // Handed over after the loop had ended.
    for (int fd : m_adopted) {
        ::close(fd);
        --m_openConnections;
    }
    if (m_epoll >= 0)
        ::close(m_epoll);
    if (m_wake >= 0)
        ::close(m_wake);
}

bool HttpEventLoop::start()
{
    if (!m_wakeRegistered)
        return false;
    listen(true, Clock::now());
    if (!m_listening)
        return false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void HttpEventLoop::requestStop()
{
    m_stopping = true;
    if (m_wake >= 0) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = ::write(m_wake, &one, sizeof one);
    }
}

void HttpEventLoop::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void HttpEventLoop::listen(bool on, Clock::time_point now)
{
    if (on == m_listening)
        return;
    if (on) {
        epoll_event listener {};
        // Only one of the loops waiting on the socket is woken per connection.
        listener.events = EPOLLIN | EPOLLEXCLUSIVE;
        listener.data.u64 = kListenerId;
        m_listening = ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_listenFd, &listener) == 0;
        if (m_listening)
            m_listenAgainAt = Clock::time_point::max();
        else
            m_listenAgainAt = now + kListenPause;
    } else {
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, m_listenFd, nullptr);
        m_listening = false;
        m_listenAgainAt = now + kListenPause;
    }
}

int HttpEventLoop::timeoutMs(Clock::time_point now) const
{
    Clock::time_point next = m_listenAgainAt;
    if (!m_deadlines.empty())
        next = std::min(next, m_deadlines.begin()->first);
    if (next == Clock::time_point::max())
        return -1;
    if (next <= now)
        return 0;
    // Rounded up, so the loop never wakes just before a deadline and spins.
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
    return static_cast<int>(std::min<std::int64_t>(wait, INT_MAX));
}

void HttpEventLoop::run()
{
    epoll_event events[64];
    while (!m_stopping.load()) {
        int count = ::epoll_wait(m_epoll, events, 64, timeoutMs(Clock::now()));
        if (count < 0 && errno != EINTR)
            break;
        Clock::time_point now = Clock::now();
        for (int i = 0; i < count && !m_stopping.load(); ++i) {
            std::uint64_t id = events[i].data.u64;
            if (id == kListenerId) {
                acceptConnections(now);
                continue;
            }
            if (id == kWakeId) {
                std::uint64_t count = 0;
                [[maybe_unused]] ssize_t got = ::read(m_wake, &count, sizeof count);
                takeAdopted(now);
                continue;
            }
            auto found = m_slots.find(id);
            if (found == m_slots.end())
                continue;
            HttpConnection& connection = *found->second.connection;
            std::uint32_t ready = events[i].events;
            HttpConnection::Wait wait;
            if (ready & (EPOLLERR | EPOLLHUP))
                wait = HttpConnection::Wait::Closed; // reset, or both ways shut: nobody to answer
            else if (ready & EPOLLIN)
                wait = connection.onReadable(now);
            else
                wait = connection.onWritable(now);
            apply(id, wait);
        }
        now = Clock::now();
        while (!m_stopping.load() && !m_deadlines.empty() && m_deadlines.begin()->first <= now) {
            std::uint64_t id = m_deadlines.begin()->second;
            apply(id, m_slots.at(id).connection->onDeadline(now));
        }
        if (!m_listening && now >= m_listenAgainAt)
            listen(true, now);
    }
    // Stopping: every connection goes now, whatever it was waiting for.
    m_openConnections -= m_slots.size();
    m_load -= m_slots.size();
    m_slots.clear();
    {
        std::lock_guard lock(m_adoptedMutex);
        for (int fd : m_adopted) {
            ::close(fd);
            --m_openConnections;
        }
        m_adopted.clear();
    }
    m_deadlines.clear();
    if (m_listening) {
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, m_listenFd, nullptr);
        m_listening = false;
    }
}

void HttpEventLoop::acceptConnections(Clock::time_point now)
{
    for (int i = 0; i < kAcceptsPerEvent; ++i) {
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                listen(false, now);
            return;
        }
        if (m_openConnections.fetch_add(1) >= m_limits.maxConnections) {
            --m_openConnections;
            linger abort { 1, 0 };
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            ::close(fd);
            continue;
        }
        int on = 1;
        // A reply goes out in one write; the flag only spares a pipelined
        // client the delayed-ACK wait between replies.
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        HttpEventLoop* target = this;
        for (HttpEventLoop* peer : m_peers) {
            if (peer->m_load.load() < target->m_load.load())
                target = peer;
        }
        ++target->m_load;
        if (target == this)
            addConnection(fd, now);
        else
            target->adopt(fd);
    }
}

void HttpEventLoop::adopt(int fd)
{
    {
        std::lock_guard lock(m_adoptedMutex);
        m_adopted.push_back(fd);
    }
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(m_wake, &one, sizeof one);
}

void HttpEventLoop::takeAdopted(Clock::time_point now)
{
    std::vector<int> adopted;
    {
        std::lock_guard lock(m_adoptedMutex);
        adopted.swap(m_adopted);
    }
    for (int fd : adopted)
        addConnection(fd, now);
}

void HttpEventLoop::addConnection(int fd, Clock::time_point now)
{
    std::uint64_t id = m_nextId++;
    epoll_event interest {};
    interest.events = EPOLLIN;
    interest.data.u64 = id;
    if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &interest) != 0) {
        ::close(fd);
        --m_openConnections;
        --m_load;
        return;
    }
    Slot slot;
    slot.connection = std::make_unique<HttpConnection>(fd, m_limits, m_handler, now);
    slot.fd = fd;
    slot.events = EPOLLIN;
    slot.deadline = slot.connection->deadline();
    m_deadlines.emplace(slot.deadline, id);
    m_slots.emplace(id, std::move(slot));
}

void HttpEventLoop::apply(std::uint64_t id, HttpConnection::Wait wait)
{
    auto found = m_slots.find(id);
    if (found == m_slots.end())
        return;
    Slot& slot = found->second;
    if (wait == HttpConnection::Wait::Closed) {
        m_deadlines.erase({ slot.deadline, id });
        m_slots.erase(found);
        --m_openConnections;
        --m_load;
        return;
    }
    std::uint32_t events = 0;
    if (wait == HttpConnection::Wait::Readable)
        events = EPOLLIN;
    else if (wait == HttpConnection::Wait::Writable)
        events = EPOLLOUT;
    if (events != slot.events) {
        epoll_event interest {};
        interest.events = events;
        interest.data.u64 = id;
        ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, slot.fd, &interest);
        slot.events = events;
    }
    Clock::time_point deadline = slot.connection->deadline();
    if (deadline != slot.deadline) {
        m_deadlines.erase({ slot.deadline, id });
        m_deadlines.emplace(deadline, id);
        slot.deadline = deadline;
    }
}

} // namespace merchant
