#pragma once

#include "platform/net/HTTPURLResponse.h"
#include "platform/net/URLError.h"
#include "platform/net/URLRequest.h"

#include <optional>
#include <string>
#include <string_view>

namespace net {

// Where a redirect leads, worked out once for every client that follows them hop by
// hop (the whole-URL loading and the HTTP engine): the next request, or why there is
// none.
class HTTPRedirect {
public:
    // The request's answer is the response itself, the request to send next, or an
    // error when the redirect must not be followed.
    struct Step {
        std::optional<URLRequest> next;
        std::optional<URLError> error;
    };

    static bool isRedirectStatus(int statusCode);

    // The step a response leads to under the request's redirect policy. A POST
    // redirected by a 301, 302 or 303 (and any method but HEAD by a 303) goes on as a
    // GET without its body or the fields describing it; a 307 or 308 keeps method and
    // body. A hop to another origin keeps only the fields that say nothing about the
    // caller (Accept, Accept-Language, User-Agent) and fails where it would carry a body.
    static Step next(const URLRequest& request, const HTTPURLResponse& response);

    // A Location resolved against the URL that answered with it: absolute,
    // scheme-relative, path-absolute, query-only and relative-path references.
    static std::string resolvedURL(std::string_view base, std::string_view reference);

    // "scheme://host:port" with scheme and host in lower case and the scheme's port
    // filled in; nothing for a URL without a scheme or a host.
    static std::optional<std::string> origin(std::string_view url);
    static bool isSameOrigin(std::string_view a, std::string_view b);
};

} // namespace net
