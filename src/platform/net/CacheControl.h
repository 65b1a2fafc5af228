#pragma once

#include "platform/net/HTTPHeaders.h"

#include <optional>
#include <string_view>

namespace net {

// The directives of a message's Cache-Control fields that a private cache acts on.
// Directives it does not know are ignored; one whose value does not read is taken
// at its most cautious (a max-age that is not a number leaves the response stale).
struct CacheControl {
    bool noStore { false };
    bool noCache { false };
    // For one user's cache only: a cache shared by several keeps none of it.
    bool isPrivate { false };
    std::optional<double> maxAge;

    // Every Cache-Control field of the message; for a request, a "Pragma: no-cache"
    // of an older client counts as no-cache too.
    static CacheControl ofRequest(const HTTPHeaders& headers);
    static CacheControl ofResponse(const HTTPHeaders& headers);
    static CacheControl parse(std::string_view value);

    // Whole seconds written as digits only, as Age and max-age are; nothing for
    // anything else. Huge values are capped rather than wrapped.
    static std::optional<double> deltaSeconds(std::string_view text);
};

} // namespace net
