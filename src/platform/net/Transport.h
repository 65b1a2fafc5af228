#pragma once

#include "platform/net/HTTPURLResponse.h"
#include "platform/net/URLError.h"
#include "platform/net/URLRequest.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace net {

// Moves one request and its response, reporting each step as it happens. Every
// way of loading a URL (the asynchronous send, the whole-URL read) is built on
// these steps, so the real network and the scripted stand-in of the tests are
// interchangeable under them.
//
// For one request the events come in order, never from inside start(), on a
// thread the transport chooses: didReceiveResponse at most once (the final
// response, after its header fields), didReceiveData zero or more times, then
// didComplete exactly once unless cancelled, with an error when no complete
// response arrived.
// Once cancel() has returned, no further event of that request begins; called
// from another thread than the events', it may still meet one already begun.
class Transport {
public:
    using TaskId = uint64_t;

    struct Events {
        std::function<void(const HTTPURLResponse&)> didReceiveResponse;
        std::function<void(std::string_view bytes)> didReceiveData;
        // Request body bytes sent so far, of how many; optional for a transport.
        std::function<void(int64_t totalBytesSent, int64_t totalBytesExpected)> didSendBodyData;
        std::function<void(const std::optional<URLError>&)> didComplete;
        // Asked, before didComplete, whether a response fetched from the network may
        // go into the URL cache; only a caching transport asks, and never for a
        // response the cache served. Without it the answer is yes.
        std::function<bool(const HTTPURLResponse&)> willCacheResponse;
    };

    virtual ~Transport() = default;

    virtual TaskId start(URLRequest request, Events events) = 0;
    virtual void cancel(TaskId task) = 0;

    // The transport every request of the process goes through: the one installed,
    // else the real network.
    static std::shared_ptr<Transport> current();
    // nullptr puts the real network back.
    static void install(std::shared_ptr<Transport> transport);

    // The encodings asked for when a request allows compression, and the Accept
    // sent when a request names none (libcurl's own): the network sends these of
    // its own accord.
    static constexpr const char* acceptedEncodings = "gzip, deflate";
    static constexpr const char* defaultAccept = "*/*";

    // A header field as it goes out, the network's own additions included, so that a
    // cache can tell which requests a response that varies on it answers.
    struct SentField {
        // Whether the value can be told before the request is sent: not the Cookie
        // of a request that handles cookies, which the cookie store picks as it goes.
        bool known { true };
        std::optional<std::string> value;
    };
    static SentField sentHeaderField(const URLRequest& request, std::string_view name);

    // The time-out actually applied: a request without a usable one gets the default.
    static double effectiveTimeout(double requested);
    // The seconds the whole exchange may take: the request's deadline, else
    // URLRequest::defaultDeadlineMultiple times its effective time-out.
    static double effectiveDeadline(const URLRequest& request);
};

} // namespace net
