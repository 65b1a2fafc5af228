#pragma once

#include "platform/net/Transport.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {
class Timer;
}

namespace net {

// A transport for tests: answers from a script or from an in-process handler, on
// the main run loop, so replies, delays and time-outs follow its (virtual) clock.
//
//     auto fake = std::make_shared<net::FakeTransport>();
//     fake->addReply("/PayApi/Index/login", net::FakeTransport::Reply::status(200, body));
//     fake->addReply("/slow", net::FakeTransport::Reply::silence());  // times out
//     net::Transport::install(fake);
//     ... send ...
//     foundation::RunLoop::main().advance(10.0);
//     fake->sentRequests();
//
// An in-process server plugs in as the handler: it reads the path (pathOf), the
// header fields and the body from the request, and its reply's delay, or a dropped
// connection as Reply::failure(URLError::NetworkConnectionLost), come back as a Reply.
class FakeTransport final : public Transport, public std::enable_shared_from_this<FakeTransport> {
public:
    struct Reply {
        int statusCode { 200 };
        HTTPHeaders headers;
        std::string body;
        // Virtual seconds between the request and the answer. An answer due at or after
        // the request's time-out or deadline never comes: the request times out instead.
        // A body over the request's maximumResponseBytes fails as the network's would.
        double delay { 0 };
        // Fails with this URL error code instead of answering.
        std::optional<int> errorCode;
        // Only the request's time-out ends it.
        bool neverAnswers { false };

        static Reply status(int statusCode, std::string body = {});
        static Reply failure(int errorCode);
        static Reply silence();
    };
    using Handler = std::function<Reply(const URLRequest& request)>;

    // Replies for a whole URL ("http://host/path?query") or for a path ("/path"); a
    // script for the whole URL goes first. Replies added for one key answer in turn,
    // and the last one keeps answering.
    void addReply(std::string urlOrPath, Reply reply);
    void clearReplies();
    // Answers every request that nothing was scripted for. Called on the thread that
    // starts the request. Without a handler such a request cannot connect.
    void setHandler(Handler handler);

    // Every request started, in order, as it was when started.
    std::vector<URLRequest> sentRequests() const;
    void clearSentRequests();
    // Requests started and not yet answered, timed out or cancelled.
    size_t pendingCount() const;

    TaskId start(URLRequest request, Events events) override;
    void cancel(TaskId task) override;

    ~FakeTransport() override;

    // The path of a URL: what lies between the authority and any query or fragment.
    static std::string pathOf(std::string_view url);

private:
    struct Pending {
        Events events;
        std::shared_ptr<foundation::Timer> timer;
        // Set by cancel(), which may come from inside one of the request's own events.
        std::shared_ptr<std::atomic<bool>> cancelled { std::make_shared<std::atomic<bool>>(false) };
    };

    Reply replyFor(const URLRequest& request);
    void deliver(
        TaskId task, const std::string& url, const Reply& reply, bool timedOut, size_t responseLimit);

    mutable std::mutex m_mutex;
    std::map<std::string, std::deque<Reply>> m_script;
    Handler m_handler;
    std::vector<URLRequest> m_sent;
    std::map<TaskId, Pending> m_pending;
    TaskId m_nextId { 1 };
};

} // namespace net
