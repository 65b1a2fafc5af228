#include "server/MerchantHttpServer.h"

namespace merchant {

MerchantHttpServer::MerchantHttpServer(std::shared_ptr<MerchantBackend> backend, MerchantHttpOptions options)
    : m_backend(std::move(backend))
    , m_options(options)
    // The server is a member, so the handler dies with it and `this` outlives every call.
    , m_server([this](HttpRequest& request) { return serve(request); }, options.limits)
{
}

MerchantHttpServer::~MerchantHttpServer()
{
    stop();
}

bool MerchantHttpServer::start(int port)
{
    if (m_server.isRunning())
        return true;
    if (!m_server.start("127.0.0.1", port, m_options.loops))
        return false;
    m_port = m_server.port();
    m_backend->setSelfHost(host());
    return true;
}

void MerchantHttpServer::stop()
{
    m_server.stop();
}

HttpReply MerchantHttpServer::serve(HttpRequest& request)
{
    HttpReply reply;
    if (!m_options.testHooks && request.target.rfind(MerchantBackend::kHookPrefix, 0) == 0) {
        reply.status = 404;
        return reply;
    }
    BackendRequest backendRequest;
    backendRequest.method = request.method;
    backendRequest.path = request.target;
    backendRequest.body = std::move(request.body);
    for (auto& [name, value] : request.headers)
        backendRequest.headers[name] = std::move(value);
    BackendReply answer = m_backend->handle(backendRequest);
    reply.status = answer.status;
    reply.contentType = std::move(answer.contentType);
    reply.body = std::move(answer.body);
    reply.delay = std::chrono::milliseconds(answer.delayMs);
    reply.resetConnection = answer.dropConnection;
    return reply;
}

} // namespace merchant
