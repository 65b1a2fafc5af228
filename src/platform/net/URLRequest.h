#pragma once

#include "platform/net/HTTPHeaders.h"

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// How a GET uses the URL cache (URLCache). Only the loaders that put a URLCachingTransport
// in front of the network read it (URLConnection and the image downloader); every
// other request goes straight to the network.
enum class URLRequestCachePolicy {
    // HTTP's own rules: a fresh stored response is the answer, a stale one with a
    // validator is asked after conditionally, and what comes back is stored when
    // the reply allows it.
    UseProtocolCachePolicy = 0,
    // Neither read nor stored.
    ReloadIgnoringLocalCacheData = 1,
    // Any stored response, however old; the network only without one.
    ReturnCacheDataElseLoad = 2,
    // Any stored response, however old; without one the request fails with
    // ResourceUnavailable.
    ReturnCacheDataDontLoad = 3,
};

// What a redirect (301, 302, 303, 307, 308 with a Location) does to a request that
// is loaded whole. Whatever the policy, no header field set by the caller, no
// credentials and no body ever go to another origin (scheme, host and port).
enum class URLRequestRedirectPolicy {
    // Followed hop by hop; a hop to another origin goes without the caller's header
    // fields and fails when it would have to carry the body (307, 308).
    Follow = 0,
    // Followed within the origin only; a redirect to another origin fails the
    // request (a signed request is answered by its own host or not at all).
    FollowSameOrigin = 1,
    // The redirect response itself is the answer.
    HandBack = 2,
};

// Who the transport answers an HTTP authentication challenge as. With Basic
// alone the credentials go with the first request; with several schemes the
// server's challenge picks one, which costs one unanswered request first.
struct HTTPAuthentication {
    enum Scheme : unsigned { Basic = 1, Digest = 2, NTLM = 4 };
    std::string user;
    std::string password;
    unsigned schemes { Basic | Digest };
};

// A PKCS#12 file offered when a TLS server asks who the client is. It is read
// only then: a server that never asks is reached whatever the file holds, and
// one that asks while the file cannot be read or opened gets no certificate and
// the request fails with UserCancelledAuthentication.
struct ClientCertificate {
    std::string path;
    std::optional<std::string> passphrase;
};

// What to send: a value type, copied into the transport when a request starts.
class URLRequest {
public:
    static constexpr double defaultTimeoutInterval = 60.0;
    // A request without a deadline of its own must be over within this many times its
    // time-out, however steadily the bytes drip in.
    static constexpr double defaultDeadlineMultiple = 3.0;
    // A deadline that never comes: only the time-out (silence) ends the exchange, so a
    // long transfer that keeps moving runs to its end.
    static constexpr double noDeadline = std::numeric_limits<double>::infinity();
    // The largest body (after decoding any content encoding) taken from a reply unless
    // the request says otherwise; past it the transfer is aborted and fails with
    // DataLengthExceedsMaximum.
    static constexpr size_t defaultMaximumResponseBytes = size_t { 4 } << 20;
    // For a body that goes somewhere other than memory (a file): no cap.
    static constexpr size_t noMaximumResponseBytes = std::numeric_limits<size_t>::max();

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

    // Seconds from the start to the end of the whole exchange, connecting included; 0
    // (the default) means defaultDeadlineMultiple times the time-out, noDeadline none.
    double deadlineInterval() const { return m_deadlineInterval; }
    void setDeadlineInterval(double seconds) { m_deadlineInterval = seconds; }

    size_t maximumResponseBytes() const { return m_maximumResponseBytes; }
    void setMaximumResponseBytes(size_t bytes) { m_maximumResponseBytes = bytes; }

    URLRequestRedirectPolicy redirectPolicy() const { return m_redirectPolicy; }
    void setRedirectPolicy(URLRequestRedirectPolicy policy) { m_redirectPolicy = policy; }

    // Whether the reply may come compressed (gzip or deflate, decoded before any
    // event). Off for replies that would not shrink, such as cipher text.
    bool allowsCompression() const { return m_allowsCompression; }
    void setAllowsCompression(bool allowed) { m_allowsCompression = allowed; }

    // Never sent to another origin than the request's own (HTTPRedirect drops them).
    const std::optional<HTTPAuthentication>& httpAuthentication() const { return m_httpAuthentication; }
    void setHTTPAuthentication(std::optional<HTTPAuthentication> authentication)
    {
        m_httpAuthentication = std::move(authentication);
    }
    const std::optional<ClientCertificate>& clientCertificate() const { return m_clientCertificate; }
    void setClientCertificate(std::optional<ClientCertificate> certificate)
    {
        m_clientCertificate = std::move(certificate);
    }
    // Takes a TLS server whose certificate does not verify (a test server's own);
    // a redirect to another origin checks again.
    bool allowsInvalidCertificates() const { return m_allowsInvalidCertificates; }
    void setAllowsInvalidCertificates(bool allowed) { m_allowsInvalidCertificates = allowed; }

    URLRequestCachePolicy cachePolicy() const { return m_cachePolicy; }
    void setCachePolicy(URLRequestCachePolicy policy) { m_cachePolicy = policy; }

    // Whether the request sends the cookies of the process's cookie store
    // (HTTPCookieStorage) and keeps those its replies set. Off unless asked: the
    // signed client's requests never carry a cookie.
    bool httpShouldHandleCookies() const { return m_httpShouldHandleCookies; }
    void setHTTPShouldHandleCookies(bool handle) { m_httpShouldHandleCookies = handle; }

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
    double m_deadlineInterval { 0 };
    size_t m_maximumResponseBytes { defaultMaximumResponseBytes };
    URLRequestRedirectPolicy m_redirectPolicy { URLRequestRedirectPolicy::Follow };
    bool m_allowsCompression { true };
    std::optional<HTTPAuthentication> m_httpAuthentication;
    std::optional<ClientCertificate> m_clientCertificate;
    bool m_allowsInvalidCertificates { false };
    bool m_httpShouldHandleCookies { false };
    URLRequestCachePolicy m_cachePolicy;
    HTTPHeaders m_headers;
};

} // namespace net
