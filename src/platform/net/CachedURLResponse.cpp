#include "platform/net/CachedURLResponse.h"

#include "platform/foundation/HTTPDate.h"
#include "platform/foundation/Strings.h"
#include "platform/net/CacheControl.h"
#include "platform/net/Transport.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace net {

namespace {

// Fields never stored nor taken from a 304: they describe one connection or one
// transfer, or (cookies) belong to the cookie store, not to a file on disk.
constexpr std::array<std::string_view, 8> unstoredFields { "Set-Cookie", "Set-Cookie2", "Connection",
    "Keep-Alive", "Transfer-Encoding", "Content-Encoding", "Content-Length", "Proxy-Connection" };

bool isUnstored(std::string_view name)
{
    return std::any_of(unstoredFields.begin(), unstoredFields.end(),
        [name](std::string_view field) { return HTTPHeaders::namesEqual(field, name); });
}

std::vector<std::string> varyNames(const HTTPHeaders& headers)
{
    std::vector<std::string> names;
    auto const vary = headers.value("Vary");
    if (!vary)
        return names;
    for (auto const& part : foundation::split(*vary, ",")) {
        auto name = foundation::trimWhitespaceAndNewlines(part);
        if (!name.empty())
            names.push_back(std::move(name));
    }
    return names;
}

HTTPHeaders withLength(HTTPHeaders headers, size_t length)
{
    headers.set("Content-Length", std::to_string(length));
    return headers;
}

} // namespace

CachedURLResponse::CachedURLResponse(HTTPURLResponse response, std::shared_ptr<const std::string> data,
    double requestTime, double responseTime, VaryingFields varyingFields)
    : m_response(std::move(response))
    , m_data(data ? std::move(data) : std::make_shared<const std::string>())
    , m_requestTime(requestTime)
    , m_responseTime(responseTime)
    , m_varyingFields(std::move(varyingFields))
{
}

CachedURLResponse CachedURLResponse::make(const URLRequest& request, const HTTPURLResponse& response,
    std::shared_ptr<const std::string> data, double requestTime, double responseTime)
{
    HTTPHeaders kept;
    for (auto const& [name, value] : response.allHeaderFields().fields()) {
        if (!isUnstored(name))
            kept.add(name, value);
    }
    VaryingFields varying;
    for (auto& name : varyNames(response.allHeaderFields())) {
        auto sent = Transport::sentHeaderField(request, name).value;
        varying.emplace_back(std::move(name), std::move(sent));
    }
    size_t const length = data ? data->size() : 0;
    return CachedURLResponse(
        HTTPURLResponse(response.url(), response.statusCode(), withLength(std::move(kept), length)),
        std::move(data), requestTime, responseTime, std::move(varying));
}

bool CachedURLResponse::isStorable(const URLRequest& request, const HTTPURLResponse& response)
{
    auto const& headers = response.allHeaderFields();
    if (request.httpMethod() != "GET" || response.statusCode() != 200)
        return false;
    if (request.httpAuthentication() || request.valueForHTTPHeaderField("Authorization")
        || request.valueForHTTPHeaderField("Range"))
        return false;
    if (CacheControl::ofRequest(request.allHTTPHeaderFields()).noStore)
        return false;
    auto const control = CacheControl::ofResponse(headers);
    if (control.noStore)
        return false;
    // A response that varies on what nobody can tell before a request goes out
    // could answer no later request rightly.
    auto const names = varyNames(headers);
    if (std::any_of(names.begin(), names.end(),
            [&request](auto const& name) { return name == "*" || !Transport::sentHeaderField(request, name).known; }))
        return false;
    return control.maxAge || headers.value("Expires") || headers.value("ETag")
        || headers.value("Last-Modified");
}

double CachedURLResponse::freshnessLifetime() const
{
    auto const& headers = m_response.allHeaderFields();
    if (auto const maxAge = CacheControl::ofResponse(headers).maxAge)
        return *maxAge;
    auto const expires = headers.value("Expires");
    if (!expires)
        return 0;
    // An Expires that does not read as a date ("0", "-1") means already expired.
    auto const expiry = foundation::HTTPDate::dateFromRFC1123(*expires);
    if (!expiry)
        return 0;
    auto const dateField = headers.value("Date");
    auto const date = dateField ? foundation::HTTPDate::dateFromRFC1123(*dateField) : std::nullopt;
    return std::max(0.0, *expiry - date.value_or(m_responseTime));
}

double CachedURLResponse::currentAge(double now) const
{
    auto const& headers = m_response.allHeaderFields();
    auto const dateField = headers.value("Date");
    auto const date = dateField ? foundation::HTTPDate::dateFromRFC1123(*dateField) : std::nullopt;
    double const apparentAge = date ? std::max(0.0, m_responseTime - *date) : 0;
    auto const ageField = headers.value("Age");
    double const ageValue = ageField ? CacheControl::deltaSeconds(*ageField).value_or(0) : 0;
    double const responseDelay = std::max(0.0, m_responseTime - m_requestTime);
    double const initialAge = std::max(apparentAge, ageValue + responseDelay);
    return initialAge + std::max(0.0, now - m_responseTime);
}

bool CachedURLResponse::isFresh(double now) const
{
    if (CacheControl::ofResponse(m_response.allHeaderFields()).noCache)
        return false;
    return freshnessLifetime() > currentAge(now);
}

bool CachedURLResponse::hasValidator() const
{
    return m_response.valueForHTTPHeaderField("ETag") || m_response.valueForHTTPHeaderField("Last-Modified");
}

bool CachedURLResponse::matchesVaryingFields(const URLRequest& request) const
{
    return std::all_of(m_varyingFields.begin(), m_varyingFields.end(), [&request](auto const& field) {
        auto const sent = Transport::sentHeaderField(request, field.first);
        return sent.known && sent.value == field.second;
    });
}

URLRequest CachedURLResponse::conditionalRequest(const URLRequest& request) const
{
    URLRequest conditional = request;
    if (auto const etag = m_response.valueForHTTPHeaderField("ETag"))
        conditional.setValueForHTTPHeaderField(*etag, "If-None-Match");
    if (auto const lastModified = m_response.valueForHTTPHeaderField("Last-Modified"))
        conditional.setValueForHTTPHeaderField(*lastModified, "If-Modified-Since");
    return conditional;
}

CachedURLResponse CachedURLResponse::revalidated(
    const HTTPURLResponse& notModified, double requestTime, double responseTime) const
{
    HTTPHeaders headers = m_response.allHeaderFields();
    for (auto const& [name, value] : notModified.allHeaderFields().fields()) {
        if (!isUnstored(name))
            headers.set(name, value);
    }
    return CachedURLResponse(HTTPURLResponse(m_response.url(), m_response.statusCode(), std::move(headers)),
        m_data, requestTime, responseTime, m_varyingFields);
}

} // namespace net
