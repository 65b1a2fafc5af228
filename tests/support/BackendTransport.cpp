#include "support/BackendTransport.h"

#include "platform/foundation/Strings.h"
#include "platform/net/URLError.h"
#include "server/MerchantBackend.h"

namespace support {

void BackendTransport::connect(
    net::FakeTransport& transport, std::weak_ptr<merchant::MerchantBackend> backend, Adjust adjust)
{
    transport.setHandler(
        [backend = std::move(backend), adjust = std::move(adjust)](const net::URLRequest& request) {
            auto strong = backend.lock();
            if (!strong)
                return net::FakeTransport::Reply::failure(net::URLError::CannotConnectToHost);
            merchant::BackendRequest forwarded;
            forwarded.method = request.httpMethod();
            forwarded.path = net::FakeTransport::pathOf(request.url());
            for (const auto& field : request.allHTTPHeaderFields().fields())
                forwarded.headers[foundation::asciiLowercase(field.first)] = field.second;
            forwarded.body = request.httpBody().value_or("");
            auto reply = strong->handle(forwarded);
            if (reply.dropConnection)
                return net::FakeTransport::Reply::failure(net::URLError::NetworkConnectionLost);
            auto answer = net::FakeTransport::Reply::status(reply.status, reply.body);
            answer.delay = reply.delayMs / 1000.0;
            if (adjust)
                adjust(forwarded.path, answer);
            return answer;
        });
}

} // namespace support
