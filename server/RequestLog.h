#pragma once

#include "server/Envelope.h"

#include <cstdint>
#include <deque>
#include <string>

namespace merchant {

// What the back end received, so tests can assert exactly what the app sent.
struct LoggedRequest {
    std::uint64_t seq = 0;
    std::string method;
    std::string path;
    std::string key; // "collection", "member", "agent", "unknown" or "none"
    std::string qvkey;
    std::string plain; // the decrypted form text, before any splitting
    Json params = Json::object();
    int httpStatus = 0;
    std::string fault;
};

// Bounded so that a long demo or a fuzz run cannot grow it without end.
class RequestLog {
public:
    explicit RequestLog(std::size_t capacity = 20000)
        : m_capacity(capacity)
    {
    }

    void append(LoggedRequest entry);
    void clear() { m_entries.clear(); }
    const std::deque<LoggedRequest>& entries() const { return m_entries; }
    Json toJson() const;

private:
    std::size_t m_capacity;
    std::uint64_t m_nextSeq = 1;
    std::deque<LoggedRequest> m_entries;
};

} // namespace merchant
