#pragma once

#include "platform/net/HTTPHeaders.h"

#include <string>
#include <string_view>

namespace net {
class HTTPURLResponse;
class URLError;
} // namespace net

// Why an HTTP operation failed: a transport failure (the URL-loading error
// codes), or an answer whose status the operation does not take as success,
// whose code is then the status and whose user info the answer's header
// fields.
class NetworkError {
public:
    NetworkError(
        int code, std::string description, std::string failingURL = {}, net::HTTPHeaders userInfo = {});

    static NetworkError fromURLError(const net::URLError& error);
    static NetworkError forStatus(const net::HTTPURLResponse& response);

    std::string_view domain() const;
    int code() const { return m_code; }
    const std::string& localizedDescription() const { return m_description; }
    const std::string& failingURL() const { return m_failingURL; }
    const net::HTTPHeaders& userInfo() const { return m_userInfo; }

private:
    int m_code;
    std::string m_description;
    std::string m_failingURL;
    net::HTTPHeaders m_userInfo;
};
