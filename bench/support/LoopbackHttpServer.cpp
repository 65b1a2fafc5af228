#include "bench/support/LoopbackHttpServer.h"

namespace bench {

LoopbackHttpServer::LoopbackHttpServer(const std::function<void(httplib::Server&)>& routes)
{
    m_server.set_keep_alive_max_count(1 << 30);
    // Otherwise its separate head and body writes wait on delayed acknowledgements.
    m_server.set_tcp_nodelay(true);
    routes(m_server);
    m_port = m_server.bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    m_server.stop();
    m_thread.join();
}

std::string LoopbackHttpServer::host() const
{
    return "127.0.0.1:" + std::to_string(m_port);
}

} // namespace bench
