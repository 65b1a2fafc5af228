#include "platform/net/CacheControl.h"

#include "platform/foundation/Strings.h"

#include <algorithm>

namespace net {

namespace {

// Directives are separated by commas outside quoted strings.
template<typename Visit> void forEachDirective(std::string_view value, Visit visit)
{
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i <= value.size(); ++i) {
        if (i < value.size()) {
            char const c = value[i];
            if (c == '"')
                quoted = !quoted;
            else if (c == '\\' && quoted && i + 1 < value.size())
                ++i;
            if (quoted || c != ',')
                continue;
        }
        auto const directive = HTTPHeaders::trimmed(value.substr(start, i - start));
        start = i + 1;
        if (directive.empty())
            continue;
        auto const equals = directive.find('=');
        auto const name = foundation::asciiLowercase(HTTPHeaders::trimmed(directive.substr(0, equals)));
        std::string_view argument;
        if (equals != std::string_view::npos) {
            argument = HTTPHeaders::trimmed(directive.substr(equals + 1));
            if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"')
                argument = argument.substr(1, argument.size() - 2);
        }
        visit(name, argument);
    }
}

} // namespace

std::optional<double> CacheControl::deltaSeconds(std::string_view text)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    // Past 2^31 seconds a delta means "for ever" (RFC 9111, 1.2.2).
    constexpr double forever = 2147483648.0;
    double seconds = 0;
    for (char c : text) {
        seconds = seconds * 10 + (c - '0');
        if (seconds >= forever)
            return forever;
    }
    return seconds;
}

CacheControl CacheControl::parse(std::string_view value)
{
    CacheControl control;
    forEachDirective(value, [&control](const std::string& name, std::string_view argument) {
        if (name == "no-store") {
            control.noStore = true;
        } else if (name == "no-cache") {
            // With a field list it only withholds those fields; holding back the
            // whole response instead is the cautious reading.
            control.noCache = true;
        } else if (name == "private") {
            // With a field list only those fields are private; keeping none of the
            // response is the cautious reading.
            control.isPrivate = true;
        } else if (name == "max-age") {
            auto const seconds = deltaSeconds(argument).value_or(0);
            // The smallest of several max-age directives is the one that holds.
            control.maxAge = control.maxAge ? std::min(*control.maxAge, seconds) : seconds;
        }
    });
    return control;
}

CacheControl CacheControl::ofResponse(const HTTPHeaders& headers)
{
    auto const value = headers.value("Cache-Control");
    return value ? parse(*value) : CacheControl {};
}

CacheControl CacheControl::ofRequest(const HTTPHeaders& headers)
{
    auto control = ofResponse(headers);
    if (auto const pragma = headers.value("Pragma"))
        control.noCache = control.noCache || parse(*pragma).noCache;
    return control;
}

} // namespace net
