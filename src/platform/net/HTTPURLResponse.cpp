#include "platform/net/HTTPURLResponse.h"

#include <charconv>

namespace net {

namespace {

int64_t parseContentLength(const std::optional<std::string>& text)
{
    if (!text || text->empty())
        return -1;
    int64_t length = -1;
    auto const* end = text->data() + text->size();
    auto [stop, error] = std::from_chars(text->data(), end, length);
    // A sign, trailing junk or overflow leaves the length unknown rather than wrong.
    if (error != std::errc() || stop != end || length < 0)
        return -1;
    return length;
}

} // namespace

HTTPURLResponse::HTTPURLResponse(std::string url, int statusCode, HTTPHeaders headers)
    : m_url(std::move(url))
    , m_statusCode(statusCode)
    , m_headers(std::move(headers))
    , m_expectedContentLength(parseContentLength(m_headers.value("Content-Length")))
{
}

} // namespace net
