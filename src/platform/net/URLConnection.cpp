#include "platform/net/URLConnection.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/Transport.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

namespace net {

namespace {

// The phone platform gives up on a request after as many redirects.
constexpr int maxRedirects = 16;

bool isRedirect(int statusCode)
{
    return statusCode == 301 || statusCode == 302 || statusCode == 303 || statusCode == 307
        || statusCode == 308;
}

bool startsWithScheme(std::string_view reference)
{
    auto const colon = reference.find(':');
    if (colon == 0 || colon == std::string_view::npos
        || !std::isalpha(static_cast<unsigned char>(reference[0])))
        return false;
    return std::all_of(reference.begin(), reference.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

// `path` starts with '/'; "." and ".." segments go, as a server would resolve them.
std::string withoutDotSegments(std::string_view path)
{
    std::vector<std::string_view> kept;
    size_t begin = 1;
    for (;;) {
        auto const slash = path.find('/', begin);
        bool const last = slash == std::string_view::npos;
        auto const segment = path.substr(begin, last ? std::string_view::npos : slash - begin);
        if (segment == "..") {
            if (!kept.empty())
                kept.pop_back();
        } else if (segment != ".") {
            kept.push_back(segment);
        }
        if (last) {
            // A path ending in "." or ".." names a directory.
            if (segment == "." || segment == "..")
                kept.emplace_back();
            break;
        }
        begin = slash + 1;
    }
    std::string result;
    for (auto segment : kept)
        result.append("/").append(segment);
    return result.empty() ? "/" : result;
}

// Resolves a Location against the URL that answered with it: absolute, scheme-relative,
// path-absolute, query-only and relative-path references.
std::string resolvedURL(std::string_view base, std::string_view reference)
{
    if (startsWithScheme(reference))
        return std::string(reference);
    auto const schemeEnd = base.find("://");
    if (schemeEnd == std::string_view::npos)
        return std::string(reference);
    base = base.substr(0, base.find('#'));
    auto const authorityEnd = std::min(base.find_first_of("/?", schemeEnd + 3), base.size());
    auto const origin = base.substr(0, authorityEnd);
    auto const pathAndQuery = base.substr(authorityEnd);
    auto const basePath = pathAndQuery.substr(0, pathAndQuery.find('?'));

    if (reference.starts_with("//"))
        return std::string(base.substr(0, schemeEnd + 1)).append(reference);
    if (reference.empty() || reference.front() == '#')
        return std::string(base).append(reference);
    if (reference.front() == '?')
        return std::string(origin).append(basePath.empty() ? "/" : basePath).append(reference);

    auto const pathEnd = std::min(reference.find_first_of("?#"), reference.size());
    std::string path;
    if (reference.front() == '/')
        path = reference.substr(0, pathEnd);
    else
        path = std::string(basePath.substr(0, basePath.rfind('/') + 1)).append(reference.substr(0, pathEnd));
    if (path.front() != '/')
        path.insert(0, "/");
    return std::string(origin).append(withoutDotSegments(path)).append(reference.substr(pathEnd));
}

// The request a redirect leads to, or nothing when the response is the answer itself.
std::optional<URLRequest> redirectedRequest(const URLRequest& request, const HTTPURLResponse& response)
{
    if (!isRedirect(response.statusCode()))
        return std::nullopt;
    auto const location = response.valueForHTTPHeaderField("Location");
    if (!location || location->empty())
        return std::nullopt;
    URLRequest next = request;
    next.setURL(resolvedURL(request.url(), *location));
    auto const status = response.statusCode();
    auto const& method = request.httpMethod();
    bool const becomesGet = (status == 303 && method != "GET" && method != "HEAD")
        || ((status == 301 || status == 302) && method == "POST");
    if (becomesGet) {
        next.setHTTPMethod("GET");
        next.setHTTPBody(std::nullopt);
        // The fields that described the body go with it; the others (keys, credentials) stay.
        for (auto field : { "Content-Type", "Content-Encoding", "Content-Language", "Content-Location" })
            next.setValueForHTTPHeaderField(std::nullopt, field);
    }
    return next;
}

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
        std::optional<URLRequest> next;
        std::string body;
    };
    auto hop = std::make_shared<Hop>();
    hop->request = request;

    Transport::Events events;
    events.didReceiveResponse = [hop](const HTTPURLResponse& response) {
        hop->response = response;
        hop->next = redirectedRequest(hop->request, response);
    };
    events.didReceiveData = [hop](std::string_view bytes) {
        if (!hop->next) // A redirect's own body is never shown to anyone.
            hop->body.append(bytes);
    };
    events.didComplete = [hop, redirectsLeft, finish = std::move(finish)](auto const& error) mutable {
        if (error)
            finish({ std::nullopt, {}, error });
        else if (!hop->next)
            finish({ std::move(hop->response), std::move(hop->body), std::nullopt });
        else if (redirectsLeft == 0)
            finish({ std::nullopt, {}, URLError(URLError::HTTPTooManyRedirects, hop->request.url()) });
        else
            load(std::move(*hop->next), redirectsLeft - 1, std::move(finish));
    };
    Transport::current()->start(std::move(request), std::move(events));
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

    URLRequest request(
        url, URLRequestCachePolicy::UseProtocolCachePolicy, URLRequest::defaultTimeoutInterval);
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
