#pragma once

#include "server/MerchantBackend.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace merchant {

// Serves a MerchantBackend over HTTP on 127.0.0.1 from a background thread,
// so that the program, the app's demo mode and loopback tests share it.
class MerchantHttpServer {
public:
    explicit MerchantHttpServer(std::shared_ptr<MerchantBackend> backend);
    ~MerchantHttpServer();
    MerchantHttpServer(const MerchantHttpServer&) = delete;
    MerchantHttpServer& operator=(const MerchantHttpServer&) = delete;

    // Binds 127.0.0.1:port (0 picks a free one) and starts serving; false
    // when the port cannot be bound. The backend's image URLs then name the
    // bound port.
    bool start(int port = 0);
    void stop();
    int port() const { return m_port; }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }
    MerchantBackend& backend() { return *m_backend; }

private:
    // Waits out a slow-reply fault unless the server is stopping.
    void waitFor(int delayMs);

    std::shared_ptr<MerchantBackend> m_backend;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_stopMutex;
    std::condition_variable m_stopSignal;
    bool m_stopping = false;
};

} // namespace merchant
