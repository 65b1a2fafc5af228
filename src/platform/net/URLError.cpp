#include "platform/net/URLError.h"

namespace net {

URLError::URLError(int code, std::string failingURL, std::string description)
    : m_code(code)
    , m_failingURL(std::move(failingURL))
    , m_description(description.empty() ? std::string(standardDescription(code)) : std::move(description))
{
}

std::string_view URLError::standardDescription(int code)
{
    switch (code) {
    case Cancelled:
        return "The request was cancelled.";
    case BadURL:
        return "The URL is malformed.";
    case TimedOut:
        return "The request timed out.";
    case UnsupportedURL:
        return "The URL's scheme is not supported.";
    case CannotFindHost:
        return "The server's host name could not be resolved.";
    case CannotConnectToHost:
        return "Could not connect to the server.";
    case NetworkConnectionLost:
        return "The network connection was lost.";
    case HTTPTooManyRedirects:
        return "There were too many redirects.";
    case ResourceUnavailable:
        return "The resource is not in the cache and the request may not load it.";
    case NotConnectedToInternet:
        return "The device is not connected to a network.";
    case BadServerResponse:
        return "The server sent a response that could not be read.";
    case UserCancelledAuthentication:
        return "The server asked who is calling and was given no answer.";
    case FileDoesNotExist:
        return "The requested resource does not exist.";
    case DataLengthExceedsMaximum:
        return "The response is larger than the request allows.";
    case CannotDecodeContentData:
        return "The response's content encoding could not be decoded.";
    case SecureConnectionFailed:
        return "A secure connection could not be made.";
    case ServerCertificateUntrusted:
        return "The server's certificate is not trusted.";
    case CannotWriteToFile:
        return "The downloaded data could not be written.";
    default:
        return "An unknown network error occurred.";
    }
}

} // namespace net
