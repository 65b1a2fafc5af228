#include "platform/net/HTTPRedirect.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <vector>

namespace net {

namespace {

bool startsWithScheme(std::string_view reference)
{
    auto const colon = reference.find(':');
    if (colon == 0 || colon == std::string_view::npos
        || !std::isalpha(static_cast<unsigned char>(reference[0])))
        return false;
    return std::all_of(reference.begin(), reference.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

// `path` starts with '/'; "." and ".." segments go, as a server would resolve them.
std::string withoutDotSegments(std::string_view path)
{
    std::vector<std::string_view> kept;
    size_t begin = 1;
    for (;;) {
        auto const slash = path.find('/', begin);
        bool const last = slash == std::string_view::npos;
        auto const segment = path.substr(begin, last ? std::string_view::npos : slash - begin);
        if (segment == "..") {
            if (!kept.empty())
                kept.pop_back();
        } else if (segment != ".") {
            kept.push_back(segment);
        }
        if (last) {
            // A path ending in "." or ".." names a directory.
            if (segment == "." || segment == "..")
                kept.emplace_back();
            break;
        }
        begin = slash + 1;
    }
    std::string result;
    for (auto segment : kept)
        result.append("/").append(segment);
    return result.empty() ? "/" : result;
}

std::string lowercased(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// Header fields that may follow a request to another origin: they describe what the
// client accepts, nothing about who it is or what it sends.
constexpr std::string_view portableFields[] = { "Accept", "Accept-Language", "User-Agent" };

} // namespace

bool HTTPRedirect::isRedirectStatus(int statusCode)
{
    return statusCode == 301 || statusCode == 302 || statusCode == 303 || statusCode == 307
        || statusCode == 308;
}

std::string HTTPRedirect::resolvedURL(std::string_view base, std::string_view reference)
{
    if (startsWithScheme(reference))
        return std::string(reference);
    auto const schemeEnd = base.find("://");
    if (schemeEnd == std::string_view::npos)
        return std::string(reference);
    base = base.substr(0, base.find('#'));
    auto const authorityEnd = std::min(base.find_first_of("/?", schemeEnd + 3), base.size());
    auto const origin = base.substr(0, authorityEnd);
    auto const pathAndQuery = base.substr(authorityEnd);
    auto const basePath = pathAndQuery.substr(0, pathAndQuery.find('?'));

    if (reference.starts_with("//"))
        return std::string(base.substr(0, schemeEnd + 1)).append(reference);
    if (reference.empty() || reference.front() == '#')
        return std::string(base).append(reference);
    if (reference.front() == '?')
        return std::string(origin).append(basePath.empty() ? "/" : basePath).append(reference);

    auto const pathEnd = std::min(reference.find_first_of("?#"), reference.size());
    std::string path;
    if (reference.front() == '/')
        path = reference.substr(0, pathEnd);
    else
        path = std::string(basePath.substr(0, basePath.rfind('/') + 1)).append(reference.substr(0, pathEnd));
    if (path.front() != '/')
        path = std::string("/").append(path);
    return std::string(origin).append(withoutDotSegments(path)).append(reference.substr(pathEnd));
}

std::optional<std::string> HTTPRedirect::origin(std::string_view url)
{
    auto const schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos || !startsWithScheme(url.substr(0, schemeEnd + 1)))
        return std::nullopt;
    auto const scheme = lowercased(url.substr(0, schemeEnd));
    auto authority = url.substr(schemeEnd + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    // User information never decides where a request goes.
    if (auto const at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    std::string_view host = authority;
    std::string_view port;
    auto const closing = authority.rfind(']');
    auto const colon = authority.rfind(':');
    if (colon != std::string_view::npos && (closing == std::string_view::npos || colon > closing)) {
        host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
    }
    if (host.empty())
        return std::nullopt;
    std::string portText(port);
    if (portText.empty())
        portText = scheme == "https" ? "443" : scheme == "http" ? "80" : "";
    std::string result = scheme;
    result.append("://").append(lowercased(host)).append(":").append(portText);
    return result;
}

bool HTTPRedirect::isSameOrigin(std::string_view a, std::string_view b)
{
    auto const first = origin(a);
    return first && first == origin(b);
}

HTTPRedirect::Step HTTPRedirect::next(const URLRequest& request, const HTTPURLResponse& response)
{
    auto const status = response.statusCode();
    if (!isRedirectStatus(status) || request.redirectPolicy() == URLRequestRedirectPolicy::HandBack)
        return {};
    auto const location = response.valueForHTTPHeaderField("Location");
    if (!location || location->empty())
        return {};

    URLRequest next = request;
    next.setURL(resolvedURL(request.url(), *location));
    auto const& method = request.httpMethod();
    bool const becomesGet = (status == 303 && method != "GET" && method != "HEAD")
        || ((status == 301 || status == 302) && method == "POST");
    if (becomesGet) {
        next.setHTTPMethod("GET");
        next.setHTTPBody(std::nullopt);
        // The fields that described the body go with it; the others (keys, credentials) stay.
        for (auto field : { "Content-Type", "Content-Encoding", "Content-Language", "Content-Location" })
            next.setValueForHTTPHeaderField(std::nullopt, field);
    }
    if (isSameOrigin(request.url(), next.url()))
        return { std::move(next), std::nullopt };

    auto refused = [&](std::string why) {
        return Step { std::nullopt, URLError(URLError::BadServerResponse, request.url(), std::move(why)) };
    };
    if (request.redirectPolicy() == URLRequestRedirectPolicy::FollowSameOrigin)
        return refused("The server redirected the request to another origin.");
    if (next.httpBody() && !next.httpBody()->empty())
        return refused("The server redirected a request with a body to another origin.");
    URLRequest stripped = next;
    stripped.setHTTPBody(std::nullopt);
    stripped.setHTTPAuthentication(std::nullopt);
    stripped.setClientCertificate(std::nullopt);
    // Trust given to one server's certificate is not given to the next.
    stripped.setAllowsInvalidCertificates(false);
    for (auto const& [name, value] : next.allHTTPHeaderFields().fields()) {
        bool const portable = std::any_of(std::begin(portableFields), std::end(portableFields),
            [&fieldName = name](
                std::string_view field) { return HTTPHeaders::namesEqual(field, fieldName); });
        if (!portable)
            stripped.setValueForHTTPHeaderField(std::nullopt, name);
    }
    return { std::move(stripped), std::nullopt };
}

} // namespace net
