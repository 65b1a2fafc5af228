#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace net {
class HTTPURLResponse;
class URLError;
class URLRequest;
} // namespace net
class AuthenticationChallenge;
class OperationConnection;

// What an OperationConnection tells the one it works for, in order: the
// request about to go out (first with no redirect answer, on the thread that
// starts the connection; then once per redirect), then either a challenge to
// answer, or the response, its data in pieces and the end, or a failure, all
// of these on the main thread. Upload progress may
// come at any time before the end. Nothing comes after the end, a failure or
// a cancel.
class OperationConnectionDelegate {
public:
    virtual ~OperationConnectionDelegate() = default;

    // The request to send instead; nothing stops a redirect from being
    // followed (its answer then stands as the response). On the first send
    // nothing means the request is not sent at all.
    virtual std::optional<net::URLRequest> connectionWillSendRequest(OperationConnection& connection,
        const net::URLRequest& request, const net::HTTPURLResponse* redirectResponse)
        = 0;
    virtual void connectionWillSendRequestForAuthenticationChallenge(
        OperationConnection& connection, const std::shared_ptr<AuthenticationChallenge>& challenge)
        = 0;
    virtual void connectionDidReceiveResponse(
        OperationConnection& connection, const net::HTTPURLResponse& response)
        = 0;
    virtual void connectionDidReceiveData(OperationConnection& connection, std::string_view bytes) = 0;
    virtual void connectionDidSendBodyData(OperationConnection& connection, std::int64_t totalBytesWritten,
        std::int64_t totalBytesExpectedToWrite)
        = 0;
    virtual void connectionDidFinishLoading(OperationConnection& connection) = 0;
    virtual void connectionDidFailWithError(OperationConnection& connection, const net::URLError& error) = 0;
};
