#pragma once

#include "platform/net/HTTPHeaders.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// The response to one request as the transport sent it: its status line and
// header fields, never a 1xx interim answer. The transport hands a redirect
// back as it is; following it is the caller's choice.
class HTTPURLResponse {
public:
    HTTPURLResponse(std::string url, int statusCode, HTTPHeaders headers);

    const std::string& url() const { return m_url; }
    int statusCode() const { return m_statusCode; }
    const HTTPHeaders& allHeaderFields() const { return m_headers; }
    std::optional<std::string> valueForHTTPHeaderField(std::string_view field) const
    {
        return m_headers.value(field);
    }
    // From "Content-Length"; -1 when the server did not say or said something unreadable.
    int64_t expectedContentLength() const { return m_expectedContentLength; }

private:
    std::string m_url;
    int m_statusCode;
    HTTPHeaders m_headers;
    int64_t m_expectedContentLength { -1 };
};

} // namespace net
