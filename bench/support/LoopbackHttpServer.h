#pragma once

#include <functional>
#include <httplib.h>
#include <string>
#include <thread>

namespace bench {

// An httplib server on 127.0.0.1, on a port of its own, that keeps every
// connection open, so that the raw baselines and the app's transport both
// reuse theirs. `routes` adds the handlers before it listens.
class LoopbackHttpServer {
public:
    explicit LoopbackHttpServer(const std::function<void(httplib::Server&)>& routes);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // "127.0.0.1:PORT".
    std::string host() const;

private:
    httplib::Server m_server;
    int m_port { 0 };
    std::thread m_thread;
};

} // namespace bench
