#pragma once

#include "platform/net/HTTPURLResponse.h"
#include "platform/net/Transport.h"
#include "platform/net/URLError.h"
#include "platform/net/URLRequest.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class OperationConnectionDelegate;

// One HTTP exchange driven through the installed transport, reported step
// by step to its delegate on the main thread: redirects are handed to the
// delegate one by one (at most 16), and an answer asking for authentication
// (401 or 407 with a challenge) becomes an AuthenticationChallenge whose
// answer resends the request with a credential, lets the answer stand, or
// fails the request.
//
// start() may run on any thread (the first request is asked for there);
// every later step reaches the delegate on the main thread. cancel() may come
// from any thread, and once it has returned the delegate hears nothing more.
class OperationConnection : public std::enable_shared_from_this<OperationConnection> {
public:
    static constexpr int maxRedirects = 16;
    // The error code of a challenge the delegate cancelled.
    static constexpr int userCancelledAuthentication = net::URLError::UserCancelledAuthentication;

    static std::shared_ptr<OperationConnection> create(
        net::URLRequest request, std::weak_ptr<OperationConnectionDelegate> delegate);

    struct Private {
        explicit Private() = default;
    };
    OperationConnection(
        Private, net::URLRequest request, std::weak_ptr<OperationConnectionDelegate> delegate);

    void start();
    void cancel();
    bool isCancelled() const { return m_cancelled; }

    // The request of the hop under way (after redirects, the last one sent).
    const net::URLRequest& currentRequest() const { return m_request; }

private:
    enum class HopMode { Deliver, Challenge, Redirect };
    struct Hop;
    struct Inbox;

    void send(net::URLRequest request);
    void hopResponse(const std::shared_ptr<Hop>& hop, const net::HTTPURLResponse& response);
    void hopData(const std::shared_ptr<Hop>& hop, std::string_view bytes);
    void hopComplete(const std::shared_ptr<Hop>& hop, const std::optional<net::URLError>& error);
    void presentChallenge(const std::shared_ptr<Hop>& hop);
    void answerChallenge(
        const std::shared_ptr<Hop>& hop, int disposition, std::optional<net::HTTPAuthentication> credential);
    void fail(const net::URLError& error);
    std::shared_ptr<OperationConnectionDelegate> liveDelegate() const;

    net::URLRequest m_request;
    std::weak_ptr<OperationConnectionDelegate> m_delegate;
    int m_redirectsLeft { maxRedirects };
    int m_failedCredentials { 0 };
    bool m_done { false };

    std::atomic<bool> m_cancelled { false };
    mutable std::mutex m_taskMutex;
    std::optional<net::Transport::TaskId> m_task;
    std::shared_ptr<net::Transport> m_transport;
};
