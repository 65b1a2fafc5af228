#include "netengine/ResponseCacheHeaders.h"

#include "platform/foundation/HTTPDate.h"
#include "platform/foundation/Strings.h"
#include "platform/net/HTTPURLResponse.h"

#include <optional>

net::HTTPHeaders ResponseCacheHeaders::forResponse(const net::HTTPURLResponse& response, double now)
{
    auto const lastModified = response.valueForHTTPHeaderField("Last-Modified");
    auto const eTag = response.valueForHTTPHeaderField("ETag");
    auto const expires = response.valueForHTTPHeaderField("Expires");
    auto const contentType = response.valueForHTTPHeaderField("Content-Type");

    std::optional<double> expiresAt;
    if (!contentType || foundation::contains(*contentType, "image"))
        expiresAt = now + (lastModified || eTag ? validatedImageLifetime : imageLifetime);
    if (auto cacheControl = response.valueForHTTPHeaderField("Cache-Control")) {
        for (const auto& piece : foundation::split(*cacheControl, ",")) {
            if (foundation::contains(piece, "max-age")) {
                auto const equals = piece.find('=');
                expiresAt = now
                    + (equals == std::string::npos ? 0 : foundation::intValue(piece.substr(equals + 1)));
            } else if (foundation::contains(piece, "no-cache")) {
                expiresAt = now + noCacheLifetime;
            }
        }
    }

    net::HTTPHeaders headers;
    std::optional<std::string> expiresText = expires;
    if (expiresAt)
        expiresText = foundation::HTTPDate::rfc1123String(*expiresAt);
    if (expiresText)
        headers.set("Expires", *expiresText);
    if (lastModified)
        headers.set("Last-Modified", *lastModified);
    if (eTag)
        headers.set("ETag", *eTag);
    return headers;
}
