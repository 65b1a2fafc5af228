#include "server/MerchantHttpServer.h"

#include "platform/foundation/Strings.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace merchant {

namespace {

int portOf(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

// The library gives a handler no way to abort its connection, so the socket
// is found by its two ports and shut down; the library's own write then
// fails and it closes the descriptor as usual. Returns false when not found.
bool shutDownConnection(int localPort, int remotePort)
{
    DIR* directory = opendir("/proc/self/fd");
    if (!directory)
        return false;
    bool done = false;
    while (dirent* item = readdir(directory)) {
        char* end = nullptr;
        long fd = std::strtol(item->d_name, &end, 10);
        if (end == item->d_name || *end != '\0' || fd == dirfd(directory))
            continue;
        sockaddr_storage local {};
        sockaddr_storage peer {};
        socklen_t localLength = sizeof local;
        socklen_t peerLength = sizeof peer;
        int descriptor = static_cast<int>(fd);
        if (getsockname(descriptor, reinterpret_cast<sockaddr*>(&local), &localLength) != 0
            || getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0)
            continue;
        if (portOf(local) == localPort && portOf(peer) == remotePort) {
            // A reset rather than an orderly close: the client sees the
            // connection fail, not an empty reply.
            linger abort { 1, 0 };
            setsockopt(descriptor, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            shutdown(descriptor, SHUT_RDWR);
            done = true;
            break;
        }
    }
    closedir(directory);
    return done;
}

} // namespace

MerchantHttpServer::MerchantHttpServer(std::shared_ptr<MerchantBackend> backend)
    : m_backend(std::move(backend))
    , m_server(std::make_unique<httplib::Server>())
{
    m_server->set_payload_max_length(1 << 20);
    m_server->set_keep_alive_max_count(1000);
    // Replies are small and written in pieces; without this, delayed ACKs
    // add some 40 ms to every exchange on a kept-alive connection.
    m_server->set_tcp_nodelay(true);
    auto serve = [this](const httplib::Request& request, httplib::Response& response) {
        BackendRequest backendRequest;
        backendRequest.method = request.method;
        backendRequest.path = request.path;
        backendRequest.body = request.body;
        for (const auto& [name, value] : request.headers)
            backendRequest.headers[foundation::asciiLowercase(name)] = value;
        BackendReply reply = m_backend->handle(backendRequest);
        if (reply.delayMs > 0)
            waitFor(reply.delayMs);
        if (reply.dropConnection && shutDownConnection(request.local_port, request.remote_port)) {
            response.status = 500;
            return;
        }
        response.status = reply.status;
        response.set_content(reply.body, reply.contentType.c_str());
        if (reply.dropConnection) {
            // Fallback when the socket was not found: promise more bytes than
            // are sent, so the client still sees a broken transfer.
            response.set_content_provider(reply.body.size() + 1, "text/plain",
                [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
        }
    };
    m_server->Get(".*", serve);
    m_server->Post(".*", serve);
    m_server->Put(".*", serve);
    m_server->Delete(".*", serve);
}

MerchantHttpServer::~MerchantHttpServer()
{
    stop();
}

bool MerchantHttpServer::start(int port)
{
    if (m_thread.joinable())
        return true;
    int bound = port == 0 ? m_server->bind_to_any_port("127.0.0.1")
                          : (m_server->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0)
        return false;
    m_port = bound;
    m_backend->setSelfHost(host());
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = false;
    }
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // stop() is a no-op until the loop runs, so do not return before it does.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!m_server->is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    return true;
}

void MerchantHttpServer::stop()
{
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopSignal.notify_all();
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

void MerchantHttpServer::waitFor(int delayMs)
{
    std::unique_lock lock(m_stopMutex);
    m_stopSignal.wait_for(lock, std::chrono::milliseconds(delayMs), [this] { return m_stopping; });
}

} // namespace merchant
