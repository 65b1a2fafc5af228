#pragma once

#include "server/HttpConnection.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace merchant {

// One thread of the HTTP front: an epoll loop that serves its own
// connections, so a slow, idle or dripping client costs a descriptor and a
// timer here, never a thread. Several loops share one listening socket; the
// kernel wakes one of them for new connections, and that one hands each to
// the loop with the fewest, so that a burst of kept-alive clients is spread
// over every thread instead of landing on whichever woke first.
class HttpEventLoop {
public:
    using Clock = HttpConnection::Clock;

    // `handler`, `limits` and `openConnections` (shared by every loop of a
    // server) must outlive the loop.
    HttpEventLoop(int listenFd, const HttpLimits& limits, const HttpConnection::Handler& handler,
        std::atomic<std::size_t>& openConnections);
    ~HttpEventLoop();
    HttpEventLoop(const HttpEventLoop&) = delete;
    HttpEventLoop& operator=(const HttpEventLoop&) = delete;

    // The loops new connections may go to, this one among them; set before start().
    void setPeers(std::vector<HttpEventLoop*> peers) { m_peers = std::move(peers); }
    bool start();
    // Asks the loop to close every connection and end; join() waits for it.
    void requestStop();
    void join();

private:
    struct Slot {
        std::unique_ptr<HttpConnection> connection;
        int fd = -1;
        std::uint32_t events = 0;
        Clock::time_point deadline;
    };

    void run();
    void acceptConnections(Clock::time_point now);
    // Gives the loop a connection accepted by another; any thread.
    void adopt(int fd);
    void takeAdopted(Clock::time_point now);
    void addConnection(int fd, Clock::time_point now);
    void apply(std::uint64_t id, HttpConnection::Wait wait);
    void listen(bool on, Clock::time_point now);
    int timeoutMs(Clock::time_point now) const;

    int m_listenFd;
    const HttpLimits& m_limits;
    const HttpConnection::Handler& m_handler;
    std::atomic<std::size_t>& m_openConnections;
    int m_epoll = -1;
    int m_wake = -1;
    bool m_wakeRegistered = false;
    std::atomic<bool> m_stopping { false };
    bool m_listening = false;
    Clock::time_point m_listenAgainAt = Clock::time_point::max();
    std::uint64_t m_nextId;
    std::unordered_map<std::uint64_t, Slot> m_slots;
    std::set<std::pair<Clock::time_point, std::uint64_t>> m_deadlines;
    std::vector<HttpEventLoop*> m_peers;
    // Connections this loop serves or has been given; read by its peers.
    std::atomic<std::size_t> m_load { 0 };
    std::mutex m_adoptedMutex;
    std::vector<int> m_adopted;
    std::thread m_thread;
};

} // namespace merchant
