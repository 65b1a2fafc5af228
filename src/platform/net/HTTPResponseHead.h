#pragma once

#include "platform/net/HTTPHeaders.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace net {

// The head of a response read line by line as it arrives: the status line and the
// header fields up to the blank line, with interim 1xx blocks thrown away, folded
// lines joined, and the lines after the final block (trailers) ignored. A server
// cannot make it grow without end: past maxFields fields in a block, or maxBytes of
// header lines over the whole exchange, the head is refused.
class HTTPResponseHead {
public:
    static constexpr size_t maxFields = 100;
    static constexpr size_t maxBytes = 64 * 1024;

    enum class State { Reading, Complete, Refused };

    // One line, with or without its line break. Returns the state after it.
    State addLine(std::string_view line);

    State state() const { return m_state; }
    // 0 until a status line with a three-digit code has been read.
    int statusCode() const { return m_statusCode; }
    // Reads on after a complete block that turned out not to be the last: an
    // authentication challenge the transport answers itself. The byte count
    // goes on, so the whole exchange stays capped.
    void readAnotherBlock();
    // The final block's fields, once complete; taken only once.
    HTTPHeaders takeHeaders();
    // Why the head was refused.
    const std::string& refusal() const { return m_refusal; }

private:
    State refuse(std::string why);

    State m_state { State::Reading };
    int m_statusCode { 0 };
    size_t m_bytes { 0 };
    std::vector<HTTPHeaders::Field> m_fields;
    std::string m_refusal;
};

} // namespace net
