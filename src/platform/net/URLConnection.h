#pragma once

#include "platform/net/HTTPURLResponse.h"
#include "platform/net/URLError.h"
#include "platform/net/URLRequest.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace foundation {
class DispatchQueue;
}

namespace net {

// Loading a URL in one go, through whatever transport is installed.
//
// Both ways follow redirects (301, 302, 303, 307 and 308 with a Location) hop by hop
// under the request's redirect policy (HTTPRedirect says how): the response handed
// back is the last one, from the URL it names. Each hop has the whole time-out,
// deadline and reply limit; past 16 redirects the request fails with
// HTTPTooManyRedirects. A GET whose cache policy reads the URL cache may be answered
// from it (URLCachingTransport says when).
class URLConnection {
public:
    // The response and the data are both present exactly when a complete response
    // arrived, whatever its status: a 404 or a 500 carries its body, and an empty body
    // is present and empty. On a failure or a time-out both are absent and the error
    // says why.
    using CompletionHandler = std::function<void(const std::optional<HTTPURLResponse>& response,
        const std::optional<std::string>& data, const std::optional<URLError>& error)>;

    // Sends the request and returns at once; the handler runs on `queue` (the main queue
    // when none is given). Requests run side by side and cannot be cancelled.
    static void sendAsynchronousRequest(
        URLRequest request, std::shared_ptr<foundation::DispatchQueue> queue, CompletionHandler handler);

    // Reads the whole resource with a GET and a 60 s time-out, never from the URL cache,
    // blocking the caller: the body whatever the status, nothing on a failure. Meant for
    // a worker queue; on the main thread it keeps the main loop turning while it waits.
    static std::optional<std::string> dataWithContentsOfURL(const std::string& url);
};

} // namespace net
