#include "platform/net/HTTPResponseHead.h"

#include <algorithm>

namespace net {

HTTPResponseHead::State HTTPResponseHead::refuse(std::string why)
{
    m_state = State::Refused;
    m_refusal = std::move(why);
    m_fields.clear();
    return m_state;
}

void HTTPResponseHead::readAnotherBlock()
{
    if (m_state != State::Complete)
        return;
    m_state = State::Reading;
    m_statusCode = 0;
    m_fields.clear();
}

HTTPResponseHead::State HTTPResponseHead::addLine(std::string_view line)
{
    if (m_state != State::Reading)
        return m_state; // Trailers after a chunked body, or nothing more to read.
    m_bytes += line.size();
    if (m_bytes > maxBytes)
        return refuse("The response's header fields are too large.");
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);

    if (line.starts_with("HTTP/")) {
        m_statusCode = 0;
        m_fields.clear();
        auto const space = line.find(' ');
        if (space != std::string_view::npos && line.size() >= space + 4) {
            auto const code = line.substr(space + 1, 3);
            if (std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; }))
                m_statusCode = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
        }
        return m_state;
    }
    if (line.empty()) {
        if (m_statusCode >= 200)
            m_state = State::Complete;
        else
            m_fields.clear();
        return m_state;
    }
    if ((line.front() == ' ' || line.front() == '\t') && !m_fields.empty()) {
        m_fields.back().second.append(" ").append(HTTPHeaders::trimmed(line));
        return m_state;
    }
    auto const colon = line.find(':');
    if (colon == std::string_view::npos)
        return m_state;
    if (m_fields.size() >= maxFields)
        return refuse("The response has too many header fields.");
    m_fields.emplace_back(std::string(HTTPHeaders::trimmed(line.substr(0, colon))),
        std::string(HTTPHeaders::trimmed(line.substr(colon + 1))));
    return m_state;
}

HTTPHeaders HTTPResponseHead::takeHeaders()
{
    HTTPHeaders headers;
    for (auto& [name, value] : m_fields)
        headers.add(name, value);
    m_fields.clear();
    return headers;
}

} // namespace net
