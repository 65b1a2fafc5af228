#pragma once

#include "platform/net/HTTPURLResponse.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// How long an answered credential is kept.
enum class CredentialPersistence { None = 0, ForSession = 1, Permanent = 2 };

enum class AuthenticationMethod { Default, HTTPBasic, HTTPDigest, NTLM, Negotiate };

// A server asking who is calling (an HTTP 401, or 407 from a proxy), and the
// one answer the operation gives it: a user and password to send, going on
// without (the asking answer then stands as the response), or giving up
// (the request fails). Answers after the first are ignored. TLS-level
// questions (the server's certificate, a client certificate) never come
// here: the transport settles them by the request's options.
class AuthenticationChallenge {
public:
    struct Credential {
        std::string user;
        std::string password;
        CredentialPersistence persistence { CredentialPersistence::ForSession };
    };
    enum class Disposition { UseCredential, ContinueWithoutCredential, Cancel };
    using Answer = std::function<void(Disposition, std::optional<Credential>)>;

    AuthenticationChallenge(AuthenticationMethod method, std::string host, std::optional<std::string> realm,
        int previousFailureCount, net::HTTPURLResponse failureResponse, Answer answer);
    // A challenge let go without an answer goes on without a credential: the
    // asking answer stands, and the request never waits for ever.
    ~AuthenticationChallenge();
    AuthenticationChallenge(const AuthenticationChallenge&) = delete;
    AuthenticationChallenge& operator=(const AuthenticationChallenge&) = delete;

    // The strongest scheme the answer's "WWW-Authenticate" (or
    // "Proxy-Authenticate") offers, and its realm.
    static AuthenticationMethod methodOf(const net::HTTPURLResponse& response);
    static std::optional<std::string> realmOf(const net::HTTPURLResponse& response);

    AuthenticationMethod authenticationMethod() const { return m_method; }
    const std::string& host() const { return m_host; }
    const std::optional<std::string>& realm() const { return m_realm; }
    // Credentials already sent for this request and refused.
    int previousFailureCount() const { return m_previousFailureCount; }
    const net::HTTPURLResponse& failureResponse() const { return m_failureResponse; }

    void useCredential(Credential credential);
    void continueWithoutCredential();
    void cancel();

private:
    void answer(Disposition disposition, std::optional<Credential> credential);

    AuthenticationMethod m_method;
    std::string m_host;
    std::optional<std::string> m_realm;
    int m_previousFailureCount;
    net::HTTPURLResponse m_failureResponse;
    Answer m_answer;
    std::atomic<bool> m_answered { false };
};
