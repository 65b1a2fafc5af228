#include "platform/net/URLRequest.h"

namespace net {

URLRequest::URLRequest(std::string url, URLRequestCachePolicy cachePolicy, double timeoutInterval)
    : m_url(std::move(url))
    , m_timeoutInterval(timeoutInterval)
    , m_cachePolicy(cachePolicy)
{
}

void URLRequest::setHTTPMethod(std::string method)
{
    m_httpMethod = method.empty() ? "GET" : std::move(method);
}

void URLRequest::addValueForHTTPHeaderField(const std::optional<std::string>& value, std::string_view field)
{
    if (value)
        m_headers.add(field, *value);
}

} // namespace net
