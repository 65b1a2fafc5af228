#pragma once

#include "server/HttpEventLoop.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace merchant {

// A small HTTP/1.1 server: one listening socket and a few event loops that
// serve every connection without a thread per client. The handler runs on
// the loop threads, several at once, and must not block: a reply that is to
// come late says so (HttpReply::delay) instead of sleeping.
class HttpServer {
public:
    using Handler = HttpConnection::Handler;

    explicit HttpServer(Handler handler, HttpLimits limits = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Listens on address:port (port 0 picks a free one) with `loops` event
    // loops (0: one per processor this process may run on). False when the
    // address cannot be bound or the loops cannot start.
    bool start(const std::string& address, int port, int loops = 0);
    // Closes every connection, whatever state it is in, and returns once the
    // loops have ended; a request being handled finishes first.
    void stop();
    bool isRunning() const { return !m_loops.empty(); }
    int port() const { return m_port; }

private:
    Handler m_handler;
    HttpLimits m_limits;
    int m_listenFd = -1;
    int m_port = 0;
    std::atomic<std::size_t> m_openConnections { 0 };
    std::vector<std::unique_ptr<HttpEventLoop>> m_loops;
};

} // namespace merchant
