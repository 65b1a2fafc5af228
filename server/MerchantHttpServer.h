#pragma once

#include "server/HttpServer.h"
#include "server/MerchantBackend.h"

#include <memory>
#include <string>

namespace merchant {

struct MerchantHttpOptions {
    // Serve the test hooks under MerchantBackend::kHookPrefix. Off, they
    // answer 404 like any unknown path: the log they give holds decrypted
    // parameters and password hashes, and any local process could ask.
    bool testHooks = false;
    HttpLimits limits;
    // Event loops; 0 is one per processor this process may run on.
    int loops = 0;
};

// Serves a MerchantBackend over HTTP on 127.0.0.1 from background threads,
// so that the program, the app's demo mode and loopback tests share it.
class MerchantHttpServer {
public:
    explicit MerchantHttpServer(std::shared_ptr<MerchantBackend> backend, MerchantHttpOptions options = {});
    ~MerchantHttpServer();
    MerchantHttpServer(const MerchantHttpServer&) = delete;
    MerchantHttpServer& operator=(const MerchantHttpServer&) = delete;

    // Binds 127.0.0.1:port (0 picks a free one) and starts serving; false
    // when the port cannot be bound. The backend's image URLs then name the
    // bound port.
    bool start(int port = 0);
    // Ends every connection, whatever its client is doing, and returns.
    void stop();
    int port() const { return m_port; }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }
    MerchantBackend& backend() { return *m_backend; }
    bool testHooks() const { return m_options.testHooks; }

private:
    HttpReply serve(HttpRequest& request);

    std::shared_ptr<MerchantBackend> m_backend;
    MerchantHttpOptions m_options;
    HttpServer m_server;
    int m_port = 0;
};

} // namespace merchant
