#include "platform/net/HTTPHeaders.h"

#include <algorithm>

namespace net {

namespace {

char lowered(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool HTTPHeaders::isToken(std::string_view text)
{
    auto isTokenCharacter = [](char c) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            return true;
        return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
    };
    return !text.empty() && std::all_of(text.begin(), text.end(), isTokenCharacter);
}

bool HTTPHeaders::isSafeValue(std::string_view value)
{
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string_view HTTPHeaders::trimmed(std::string_view text)
{
    auto const first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    auto const last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool HTTPHeaders::namesEqual(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowered(x) == lowered(y); });
}

std::vector<HTTPHeaders::Field>::iterator HTTPHeaders::find(std::string_view name)
{
    return std::find_if(
        m_fields.begin(), m_fields.end(), [&](const Field& field) { return namesEqual(field.first, name); });
}

std::vector<HTTPHeaders::Field>::const_iterator HTTPHeaders::find(std::string_view name) const
{
    return std::find_if(
        m_fields.begin(), m_fields.end(), [&](const Field& field) { return namesEqual(field.first, name); });
}

std::optional<std::string> HTTPHeaders::value(std::string_view name) const
{
    auto it = find(name);
    if (it == m_fields.end())
        return std::nullopt;
    return it->second;
}

void HTTPHeaders::set(std::string_view name, std::optional<std::string> value)
{
    auto it = find(name);
    if (!value) {
        if (it != m_fields.end())
            m_fields.erase(it);
        return;
    }
    if (it == m_fields.end()) {
        m_fields.emplace_back(std::string(name), std::move(*value));
        return;
    }
    it->second = std::move(*value);
}

void HTTPHeaders::add(std::string_view name, std::string_view value)
{
    auto it = find(name);
    if (it == m_fields.end()) {
        m_fields.emplace_back(std::string(name), std::string(value));
        return;
    }
    it->second.append(",").append(value);
}

} // namespace net
