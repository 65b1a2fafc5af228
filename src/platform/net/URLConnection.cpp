#include "platform/net/URLConnection.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/Transport.h"

#include <condition_variable>
#include <mutex>

namespace net {

namespace {

// What one request has gathered so far; its events run on the transport's thread.
struct Gathered {
    std::optional<HTTPURLResponse> response;
    std::string body;
};

} // namespace

void URLConnection::sendAsynchronousRequest(
    URLRequest request, std::shared_ptr<foundation::DispatchQueue> queue, CompletionHandler handler)
{
    if (!queue)
        queue = foundation::DispatchQueue::main();
    auto gathered = std::make_shared<Gathered>();
    // The handler lives in a shared slot that the completion empties: once it has been
    // handed to the queue, nothing on the transport's thread holds what it captured, so
    // a screen it keeps alive is never released off the main thread.
    auto slot = std::make_shared<CompletionHandler>(std::move(handler));

    Transport::Events events;
    events.didReceiveResponse
        = [gathered](const HTTPURLResponse& response) { gathered->response = response; };
    events.didReceiveData = [gathered](std::string_view bytes) { gathered->body.append(bytes); };
    events.didComplete = [gathered, slot, queue](const std::optional<URLError>& error) {
        auto handler = std::move(*slot);
        if (!handler)
            return;
        std::optional<HTTPURLResponse> response;
        std::optional<std::string> data;
        if (!error) {
            response = std::move(gathered->response);
            data = std::move(gathered->body);
        }
        queue->async([handler = std::move(handler), response = std::move(response), data = std::move(data),
                         error]() { handler(response, data, error); });
    };
    Transport::current()->start(std::move(request), std::move(events));
}

std::optional<std::string> URLConnection::dataWithContentsOfURL(const std::string& url)
{
    struct Wait {
        std::mutex mutex;
        std::condition_variable finished;
        bool done { false };
        std::string body;
        std::optional<std::string> data;
    };
    auto wait = std::make_shared<Wait>();
    bool const onMainThread = foundation::RunLoop::isMainThread();

    Transport::Events events;
    events.didReceiveData = [wait](std::string_view bytes) { wait->body.append(bytes); };
    events.didComplete = [wait, onMainThread](const std::optional<URLError>& error) {
        {
            std::lock_guard lock(wait->mutex);
            if (!error)
                wait->data = std::move(wait->body);
            wait->done = true;
        }
        wait->finished.notify_all();
        if (onMainThread)
            foundation::RunLoop::main().wakeUp();
    };

    URLRequest request(
        url, URLRequestCachePolicy::UseProtocolCachePolicy, URLRequest::defaultTimeoutInterval);
    Transport::current()->start(std::move(request), std::move(events));

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
