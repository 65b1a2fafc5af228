#include "platform/net/ReachabilityTarget.h"

#include <algorithm>
#include <charconv>

namespace net {

namespace {

bool isHostNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool isValidHostName(std::string_view name)
{
    if (!name.empty() && name.back() == '.')
        name.remove_suffix(1);
    if (name.empty() || name.size() > 253)
        return false;
    std::size_t labelLength = 0;
    for (char c : name) {
        if (c == '.') {
            if (labelLength == 0)
                return false;
            labelLength = 0;
            continue;
        }
        if (!isHostNameCharacter(c) || ++labelLength > 63)
            return false;
    }
    return labelLength > 0;
}

bool isValidPort(std::string_view digits)
{
    unsigned value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return !digits.empty() && error == std::errc() && end == digits.data() + digits.size() && value <= 65535;
}

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

bool isLocalhostName(std::string_view host)
{
    if (!host.empty() && host.back() == '.')
        host.remove_suffix(1);
    // Every name under "localhost" is reserved for this machine.
    return host == "localhost" || host.ends_with(".localhost");
}

} // namespace

std::optional<ReachabilityTarget> ReachabilityTarget::fromName(std::string_view text)
{
    std::string_view authority = text.substr(0, text.find('/'));
    std::string_view host = authority;
    std::optional<SocketAddress> literal;
    if (authority.starts_with('[')) {
        auto close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        std::string_view rest = authority.substr(close + 1);
        if (!rest.empty() && !(rest.front() == ':' && isValidPort(rest.substr(1))))
            return std::nullopt;
        host = authority.substr(1, close - 1);
        literal = SocketAddress::parse(host);
        if (!literal || literal->family() != SocketAddress::Family::IPv6)
            return std::nullopt;
    } else if ((literal = SocketAddress::parse(authority))) {
        host = authority;
    } else {
        auto colon = authority.find(':');
        if (colon != std::string_view::npos) {
            if (!isValidPort(authority.substr(colon + 1)))
                return std::nullopt;
            host = authority.substr(0, colon);
        }
        literal = SocketAddress::parse(host);
        if (!literal && !isValidHostName(host))
            return std::nullopt;
    }

    ReachabilityTarget target;
    target.m_text = std::string(text);
    target.m_host = lowered(host);
    target.m_address = literal;
    return target;
}

ReachabilityTarget ReachabilityTarget::fromAddress(const SocketAddress& address)
{
    ReachabilityTarget target;
    target.m_text = address.text();
    target.m_address = address;
    return target;
}

bool ReachabilityTarget::isLoopback() const
{
    if (m_address)
        return m_address->isLoopback();
    return isLocalhostName(m_host);
}

std::optional<ReachabilityTarget> serviceTarget(std::string_view text)
{
    auto scheme = text.find("://");
    if (scheme != std::string_view::npos)
        text.remove_prefix(scheme + 3);
    std::string_view authority = text.substr(0, text.find_first_of("/?#"));
    auto at = authority.rfind('@');
    if (at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    return ReachabilityTarget::fromName(authority);
}

} // namespace net
