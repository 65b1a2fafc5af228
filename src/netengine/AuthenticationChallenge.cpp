#include "netengine/AuthenticationChallenge.h"

#include "platform/foundation/Strings.h"

#include <utility>

namespace {

std::optional<std::string> challengeField(const net::HTTPURLResponse& response)
{
    if (auto field = response.valueForHTTPHeaderField("WWW-Authenticate"))
        return field;
    return response.valueForHTTPHeaderField("Proxy-Authenticate");
}

} // namespace

AuthenticationChallenge::AuthenticationChallenge(AuthenticationMethod method, std::string host,
    std::optional<std::string> realm, int previousFailureCount, net::HTTPURLResponse failureResponse,
    Answer answer)
    : m_method(method)
    , m_host(std::move(host))
    , m_realm(std::move(realm))
    , m_previousFailureCount(previousFailureCount)
    , m_failureResponse(std::move(failureResponse))
    , m_answer(std::move(answer))
{
}

AuthenticationChallenge::~AuthenticationChallenge()
{
    continueWithoutCredential();
}

AuthenticationMethod AuthenticationChallenge::methodOf(const net::HTTPURLResponse& response)
{
    auto field = challengeField(response);
    if (!field)
        return AuthenticationMethod::Default;
    // Several challenges may share the field; the scheme names are what
    // tell them apart, whatever their parameters say.
    auto const lower = foundation::asciiLowercase(*field);
    auto offers = [&lower](std::string_view scheme) {
        for (std::size_t at = lower.find(scheme); at != std::string::npos; at = lower.find(scheme, at + 1)) {
            bool const startsToken = at == 0 || lower[at - 1] == ' ' || lower[at - 1] == ',';
            auto const end = at + scheme.size();
            bool const endsToken = end == lower.size() || lower[end] == ' ' || lower[end] == ',';
            if (startsToken && endsToken)
                return true;
        }
        return false;
    };
    if (offers("digest"))
        return AuthenticationMethod::HTTPDigest;
    if (offers("ntlm"))
        return AuthenticationMethod::NTLM;
    if (offers("negotiate"))
        return AuthenticationMethod::Negotiate;
    if (offers("basic"))
        return AuthenticationMethod::HTTPBasic;
    return AuthenticationMethod::Default;
}

std::optional<std::string> AuthenticationChallenge::realmOf(const net::HTTPURLResponse& response)
{
    auto field = challengeField(response);
    if (!field)
        return std::nullopt;
    auto const lower = foundation::asciiLowercase(*field);
    auto at = lower.find("realm=\"");
    if (at == std::string::npos)
        return std::nullopt;
    at += 7;
    auto const end = field->find('"', at);
    if (end == std::string::npos)
        return std::nullopt;
    return field->substr(at, end - at);
}

void AuthenticationChallenge::answer(Disposition disposition, std::optional<Credential> credential)
{
    if (m_answered.exchange(true))
        return;
    if (auto answer = std::exchange(m_answer, nullptr))
        answer(disposition, std::move(credential));
}

void AuthenticationChallenge::useCredential(Credential credential)
{
    answer(Disposition::UseCredential, std::move(credential));
}

void AuthenticationChallenge::continueWithoutCredential()
{
    answer(Disposition::ContinueWithoutCredential, std::nullopt);
}

void AuthenticationChallenge::cancel()
{
    answer(Disposition::Cancel, std::nullopt);
}
