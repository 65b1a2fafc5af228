#pragma once

#include "platform/net/HTTPHeaders.h"

namespace net {
class HTTPURLResponse;
}

// How long a GET's answer may be served from the engine's cache, worked out
// from its header fields, as the validators the engine keeps with the body:
// "Expires" (an HTTP date), "Last-Modified" and "ETag" as far as known.
class ResponseCacheHeaders {
public:
    static constexpr double imageLifetime = 7 * 24 * 3600;
    static constexpr double validatedImageLifetime = 24 * 3600;
    static constexpr double noCacheLifetime = 60;

    // Images (and answers of no stated type) live a week, or a day when they
    // carry a validator; "Cache-Control" pieces then override in order
    // ("max-age=N" N seconds from now, "no-cache" a minute). Without a
    // worked-out date the answer's own "Expires" is kept.
    static net::HTTPHeaders forResponse(const net::HTTPURLResponse& response, double now);
};
