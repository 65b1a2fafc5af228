#include "netengine/NetworkError.h"

#include "platform/net/HTTPURLResponse.h"
#include "platform/net/URLError.h"

NetworkError::NetworkError(
    int code, std::string description, std::string failingURL, net::HTTPHeaders userInfo)
    : m_code(code)
    , m_description(std::move(description))
    , m_failingURL(std::move(failingURL))
    , m_userInfo(std::move(userInfo))
{
}

NetworkError NetworkError::fromURLError(const net::URLError& error)
{
    return NetworkError(error.code(), error.localizedDescription(), error.failingURL());
}

NetworkError NetworkError::forStatus(const net::HTTPURLResponse& response)
{
    return NetworkError(response.statusCode(),
        "The server answered with HTTP status " + std::to_string(response.statusCode()) + ".", response.url(),
        response.allHeaderFields());
}

std::string_view NetworkError::domain() const
{
    return net::URLError::errorDomain;
}
