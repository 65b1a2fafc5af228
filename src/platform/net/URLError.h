#pragma once

#include <string>
#include <string_view>

namespace net {

// Why a request got no response. The codes are the URL-loading error numbers
// that callers compare against.
class URLError {
public:
    static constexpr std::string_view errorDomain = "NSURLErrorDomain";

    enum Code : int {
        Unknown = -1,
        Cancelled = -999,
        BadURL = -1000,
        TimedOut = -1001,
        UnsupportedURL = -1002,
        CannotFindHost = -1003,
        CannotConnectToHost = -1004,
        NetworkConnectionLost = -1005,
        HTTPTooManyRedirects = -1007,
        ResourceUnavailable = -1008,
        NotConnectedToInternet = -1009,
        BadServerResponse = -1011,
        UserCancelledAuthentication = -1012,
        FileDoesNotExist = -1100,
        DataLengthExceedsMaximum = -1103,
        CannotDecodeContentData = -1016,
        SecureConnectionFailed = -1200,
        ServerCertificateUntrusted = -1202,
        CannotWriteToFile = -3003,
    };

    // An empty description is replaced by the standard one for the code.
    explicit URLError(int code, std::string failingURL = {}, std::string description = {});

    std::string_view domain() const { return errorDomain; }
    int code() const { return m_code; }
    const std::string& failingURL() const { return m_failingURL; }
    const std::string& localizedDescription() const { return m_description; }

    static std::string_view standardDescription(int code);

private:
    int m_code;
    std::string m_failingURL;
    std::string m_description;
};

} // namespace net
