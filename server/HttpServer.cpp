#include "server/HttpServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace merchant {

namespace {

// The kernel trims this to net.core.somaxconn: the largest queue of
// connections waiting to be accepted that the system allows.
constexpr int kBacklog = 65535;

int processorsAvailable()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 2;
    return std::max(1, CPU_COUNT(&set));
}

} // namespace

HttpServer::HttpServer(Handler handler, HttpLimits limits)
    : m_handler(std::move(handler))
    , m_limits(limits)
{
}

HttpServer::~HttpServer()
{
    stop();
}

bool HttpServer::start(const std::string& address, int port, int loops)
{
    if (isRunning())
        return true;
    sockaddr_in bound {};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(static_cast<std::uint16_t>(port));
    if (port < 0 || port > 65535 || ::inet_pton(AF_INET, address.c_str(), &bound.sin_addr) != 1)
        return false;
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return false;
    int on = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    socklen_t length = sizeof bound;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0
        || ::listen(m_listenFd, kBacklog) != 0
        || ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    m_port = ntohs(bound.sin_port);

    // At least two, so that one busy handler never holds up every client.
    int count = loops > 0 ? loops : std::max(2, processorsAvailable());
    std::vector<HttpEventLoop*> peers;
    for (int i = 0; i < count; ++i) {
        m_loops.push_back(
            std::make_unique<HttpEventLoop>(m_listenFd, m_limits, m_handler, m_openConnections));
        peers.push_back(m_loops.back().get());
    }
    for (auto& loop : m_loops) {
        loop->setPeers(peers);
        if (!loop->start()) {
            stop();
            return false;
        }
    }
    return true;
}

void HttpServer::stop()
{
    // Every loop is told first, so they wind down together.
    for (auto& loop : m_loops)
        loop->requestStop();
    for (auto& loop : m_loops)
        loop->join();
    m_loops.clear();
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
    }
}

} // namespace merchant
