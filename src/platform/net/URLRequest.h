#pragma once

#include "platform/net/HTTPHeaders.h"

#include <optional>
#include <string>
#include <string_view>

namespace net {

// Only recorded for now: nothing in the process keeps a response cache, so every
// policy loads from the network.
enum class URLRequestCachePolicy {
    UseProtocolCachePolicy = 0,
    ReloadIgnoringLocalCacheData = 1,
    ReturnCacheDataElseLoad = 2,
    ReturnCacheDataDontLoad = 3,
};

// What to send: a value type, copied into the transport when a request starts.
class URLRequest {
public:
    static constexpr double defaultTimeoutInterval = 60.0;

    explicit URLRequest(std::string url = {},
        URLRequestCachePolicy cachePolicy = URLRequestCachePolicy::UseProtocolCachePolicy,
        double timeoutInterval = defaultTimeoutInterval);

    const std::string& url() const { return m_url; }
    void setURL(std::string url) { m_url = std::move(url); }

    const std::string& httpMethod() const { return m_httpMethod; }
    // Sent as written; an empty method means GET.
    void setHTTPMethod(std::string method);

    // Absent and empty differ only to the reader: both send no body bytes.
    const std::optional<std::string>& httpBody() const { return m_httpBody; }
    void setHTTPBody(std::optional<std::string> body) { m_httpBody = std::move(body); }

    // Seconds without any byte moving before the request fails as timed out.
    double timeoutInterval() const { return m_timeoutInterval; }
    void setTimeoutInterval(double seconds) { m_timeoutInterval = seconds; }

    URLRequestCachePolicy cachePolicy() const { return m_cachePolicy; }
    void setCachePolicy(URLRequestCachePolicy policy) { m_cachePolicy = policy; }

    const HTTPHeaders& allHTTPHeaderFields() const { return m_headers; }
    std::optional<std::string> valueForHTTPHeaderField(std::string_view field) const
    {
        return m_headers.value(field);
    }
    // Replaces the field; an absent value removes it.
    void setValueForHTTPHeaderField(std::optional<std::string> value, std::string_view field)
    {
        m_headers.set(field, std::move(value));
    }
    // Appends to the field with a comma; an absent value changes nothing.
    void addValueForHTTPHeaderField(const std::optional<std::string>& value, std::string_view field);

private:
    std::string m_url;
    std::string m_httpMethod { "GET" };
    std::optional<std::string> m_httpBody;
    double m_timeoutInterval;
    URLRequestCachePolicy m_cachePolicy;
    HTTPHeaders m_headers;
};

} // namespace net
