#include "platform/net/URLConnection.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/HTTPRedirect.h"
#include "platform/net/Transport.h"
#include "platform/net/URLCachingTransport.h"

#include <condition_variable>
#include <mutex>
#include <string_view>
#include <utility>

namespace net {

namespace {

// The phone platform gives up on a request after as many redirects.
constexpr int maxRedirects = 16;

// Where a request ended up: the final response and its body, or why there is none.
struct Outcome {
    std::optional<HTTPURLResponse> response;
    std::string body;
    std::optional<URLError> error;
};
using Finish = std::function<void(Outcome)>;

// Sends the request and then each request its redirects lead to, one transport request
// per hop, each with the request's own time-out; `finish` runs once, on the transport's
// thread. The transport is looked up per hop rather than held, so that pending events
// never keep it alive.
void load(URLRequest request, int redirectsLeft, Finish finish)
{
    struct Hop {
        URLRequest request;
        std::optional<HTTPURLResponse> response;
        HTTPRedirect::Step step;
        std::string body;
    };
    auto hop = std::make_shared<Hop>();
    hop->request = request;

    Transport::Events events;
    events.didReceiveResponse = [hop](const HTTPURLResponse& response) {
        hop->response = response;
        hop->step = HTTPRedirect::next(hop->request, response);
    };
    events.didReceiveData = [hop](std::string_view bytes) {
        if (!hop->step.next && !hop->step.error) // A redirect's own body is never shown to anyone.
            hop->body.append(bytes);
    };
    events.didComplete = [hop, redirectsLeft, finish = std::move(finish)](auto const& error) mutable {
        if (error)
            finish({ std::nullopt, {}, error });
        else if (hop->step.error)
            finish({ std::nullopt, {}, hop->step.error });
        else if (!hop->step.next)
            finish({ std::move(hop->response), std::move(hop->body), std::nullopt });
        else if (redirectsLeft == 0)
            finish({ std::nullopt, {}, URLError(URLError::HTTPTooManyRedirects, hop->request.url()) });
        else
            load(std::move(*hop->step.next), redirectsLeft - 1, std::move(finish));
    };
    auto transport = URLCachingTransport::forRequest(request, Transport::current());
    transport->start(std::move(request), std::move(events));
}

} // namespace

void URLConnection::sendAsynchronousRequest(
    URLRequest request, std::shared_ptr<foundation::DispatchQueue> queue, CompletionHandler handler)
{
    if (!queue)
        queue = foundation::DispatchQueue::main();
    // The handler lives in a shared slot that the completion empties: once it has been
    // handed to the queue, nothing on the transport's thread holds what it captured, so
    // a screen it keeps alive is never released off the main thread.
    auto slot = std::make_shared<CompletionHandler>(std::move(handler));
    load(std::move(request), maxRedirects, [slot, queue](Outcome outcome) {
        auto handler = std::move(*slot);
        if (!handler)
            return;
        std::optional<std::string> data;
        if (!outcome.error)
            data = std::move(outcome.body);
        queue->async(
            [handler = std::move(handler), response = std::move(outcome.response), data = std::move(data),
                error = std::move(outcome.error)]() { handler(response, data, error); });
    });
}

std::optional<std::string> URLConnection::dataWithContentsOfURL(const std::string& url)
{
    struct Wait {
        std::mutex mutex;
        std::condition_variable finished;
        bool done { false };
        std::optional<std::string> data;
    };
    auto wait = std::make_shared<Wait>();
    bool const onMainThread = foundation::RunLoop::isMainThread();

    // Its one caller reads payment QR codes, which must come from the server itself.
    URLRequest request(
        url, URLRequestCachePolicy::ReloadIgnoringLocalCacheData, URLRequest::defaultTimeoutInterval);
    load(std::move(request), maxRedirects, [wait, onMainThread](Outcome outcome) {
        {
            std::lock_guard lock(wait->mutex);
            if (!outcome.error)
                wait->data = std::move(outcome.body);
            wait->done = true;
        }
        wait->finished.notify_all();
        if (onMainThread)
            foundation::RunLoop::main().wakeUp();
    });

    auto isDone = [&wait] {
        std::lock_guard lock(wait->mutex);
        return wait->done;
    };
    if (onMainThread) {
        // A transport that answers on the main loop (the scripted one) needs it turning.
        foundation::RunLoop::main().runUntil(isDone);
    }
    std::unique_lock lock(wait->mutex);
    wait->finished.wait(lock, [&wait] { return wait->done; });
    return std::move(wait->data);
}

} // namespace net
