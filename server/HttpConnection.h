#pragma once

#include "server/HttpLimits.h"
#include "server/HttpRequest.h"
#include "server/HttpRequestParser.h"

#include <chrono>
#include <functional>
#include <string>

namespace merchant {

// One accepted socket of the HTTP front: reads requests as they arrive, has
// the handler answer each whole one, writes the reply, and keeps the
// connection for the next request or ends it. It never blocks: the event
// loop that owns it calls in when the socket is ready or its deadline has
// passed, and each call says what it waits for next.
class HttpConnection {
public:
    using Clock = std::chrono::steady_clock;
    using Handler = std::function<HttpReply(HttpRequest&)>;
    enum class Wait { Readable, Writable, Deadline, Closed };

    // Takes ownership of the non-blocking socket `fd`; `handler` must
    // outlive the connection.
    HttpConnection(int fd, const HttpLimits& limits, const Handler& handler, Clock::time_point now);
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    Wait onReadable(Clock::time_point now);
    Wait onWritable(Clock::time_point now);
    // Called once deadline() has passed.
    Wait onDeadline(Clock::time_point now);
    Clock::time_point deadline() const;

private:
    enum class Phase {
        Reading, // a request, or the wait for one
        Holding, // a reply held back until m_holdUntil
        Writing,
        Draining, // our side is shut; what the client still sends is read and dropped
        Closed,
    };

    Wait advance(Clock::time_point now);
    void answer(HttpRequest& request, Clock::time_point now);
    void prepareReply(const HttpReply& reply, bool headOnly, bool closeAfter);
    void prepareError(int status);
    void beginDrain(Clock::time_point now);
    void startNextRequest(Clock::time_point now);
    Wait close(bool reset = false);

    int m_fd;
    HttpLimits m_limits;
    const Handler& m_handler;
    HttpRequestParser m_parser;
    Phase m_phase = Phase::Reading;

    std::string m_input; // received, not yet taken by the parser
    Clock::time_point m_readyAt; // since when the next request may come
    Clock::time_point m_firstByteAt;
    Clock::time_point m_headDoneAt;
    bool m_sawFirstByte = false;
    bool m_sawHead = false;
    bool m_continueSent = false;

    HttpReply m_heldReply;
    bool m_heldHeadOnly = false;
    bool m_heldKeepAlive = false;
    Clock::time_point m_holdUntil;

    std::string m_output;
    std::size_t m_written = 0;
    bool m_closeAfterWrite = false;
    Clock::time_point m_writeDeadline;

    Clock::time_point m_drainUntil;
    std::size_t m_drained = 0;
};

} // namespace merchant
