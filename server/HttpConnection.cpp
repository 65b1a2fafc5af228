#include "server/HttpConnection.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace merchant {

namespace {

// One event reads at most this much, so a fast sender cannot keep the
// loop from its other connections.
constexpr std::size_t kReadPerEvent = 64 * 1024;
// After an error reply the client's remaining bytes are read and dropped for
// a moment, so that closing does not reset the connection before the client
// has read why; a client that keeps sending is then cut off.
constexpr auto kDrainTime = std::chrono::seconds(2);
constexpr std::size_t kMaxDrained = 1 << 20;

const char* reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 413:
        return "Content Too Large";
    case 414:
        return "URI Too Long";
    case 417:
        return "Expectation Failed";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 503:
        return "Service Unavailable";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Status";
    }
}

} // namespace

HttpConnection::HttpConnection(
    int fd, const HttpLimits& limits, const Handler& handler, Clock::time_point now)
    : m_fd(fd)
    , m_limits(limits)
    , m_handler(handler)
    , m_parser(limits)
    , m_readyAt(now)
{
}

HttpConnection::~HttpConnection()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

HttpConnection::Clock::time_point HttpConnection::deadline() const
{
    switch (m_phase) {
    case Phase::Reading:
        if (!m_sawFirstByte)
            return m_readyAt + m_limits.idleTimeout;
        if (!m_sawHead)
            return m_firstByteAt + m_limits.headTimeout;
        return m_headDoneAt + m_limits.bodyTimeout;
    case Phase::Holding:
        return m_holdUntil;
    case Phase::Writing:
        return m_writeDeadline;
    case Phase::Draining:
        return m_drainUntil;
    case Phase::Closed:
        break;
    }
    return Clock::time_point::max();
}

HttpConnection::Wait HttpConnection::onReadable(Clock::time_point now)
{
    char buffer[16 * 1024];
    std::size_t total = 0;
    while (total < kReadPerEvent && (m_phase == Phase::Reading || m_phase == Phase::Draining)) {
        ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // The client is gone or has stopped sending: a request it has not
        // finished can never be answered.
        if (got <= 0)
            return close();
        total += static_cast<std::size_t>(got);
        if (m_phase == Phase::Draining) {
            m_drained += static_cast<std::size_t>(got);
            if (m_drained > kMaxDrained)
                return close(true);
            continue;
        }
        m_input.append(buffer, static_cast<std::size_t>(got));
        Wait wait = advance(now);
        if (wait == Wait::Closed)
            return wait;
    }
    return advance(now);
}

HttpConnection::Wait HttpConnection::onWritable(Clock::time_point now)
{
    return advance(now);
}

HttpConnection::Wait HttpConnection::onDeadline(Clock::time_point now)
{
    switch (m_phase) {
    case Phase::Reading:
        // Silence before a request is an idle connection; silence within one
        // is a client too slow to serve.
        if (!m_sawFirstByte)
            return close();
        prepareError(408);
        m_writeDeadline = now + m_limits.writeTimeout;
        return advance(now);
    case Phase::Holding:
        prepareReply(m_heldReply, m_heldHeadOnly, !m_heldKeepAlive);
        m_heldReply = HttpReply();
        m_writeDeadline = now + m_limits.writeTimeout;
        return advance(now);
    case Phase::Writing:
    case Phase::Draining:
    case Phase::Closed:
        break;
    }
    return close();
}

HttpConnection::Wait HttpConnection::advance(Clock::time_point now)
{
    while (true) {
        switch (m_phase) {
        case Phase::Reading: {
            if (m_input.empty())
                return Wait::Readable;
            std::size_t used = m_parser.feed(m_input);
            m_input.erase(0, used);
            if (m_parser.started() && !m_sawFirstByte) {
                m_sawFirstByte = true;
                m_firstByteAt = now;
            }
            if (m_parser.headComplete() && !m_sawHead) {
                m_sawHead = true;
                m_headDoneAt = now;
            }
            if (m_parser.status() == HttpRequestParser::Status::Failed) {
                prepareError(m_parser.failure());
                m_writeDeadline = now + m_limits.writeTimeout;
                continue;
            }
            if (m_parser.status() == HttpRequestParser::Status::NeedMore) {
                if (m_parser.awaitsContinue() && !m_continueSent) {
                    static constexpr char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
                    m_continueSent = true;
                    // Far below any socket buffer; a client that leaves even
                    // this unread is not worth waiting for.
                    if (::send(m_fd, kContinue, sizeof kContinue - 1, MSG_NOSIGNAL)
                        != static_cast<ssize_t>(sizeof kContinue - 1))
                        return close();
                }
                return Wait::Readable;
            }
            answer(m_parser.request(), now);
            continue;
        }
        case Phase::Holding:
            return Wait::Deadline;
        case Phase::Writing: {
            while (m_written < m_output.size()) {
                ssize_t sent
                    = ::send(m_fd, m_output.data() + m_written, m_output.size() - m_written, MSG_NOSIGNAL);
                if (sent < 0 && errno == EINTR)
                    continue;
                if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                    return Wait::Writable;
                if (sent <= 0)
                    return close();
                m_written += static_cast<std::size_t>(sent);
            }
            m_output = std::string();
            m_written = 0;
            if (m_closeAfterWrite)
                beginDrain(now);
            else
                startNextRequest(now);
            continue;
        }
        case Phase::Draining:
            return Wait::Readable;
        case Phase::Closed:
            return Wait::Closed;
        }
    }
}

void HttpConnection::answer(HttpRequest& request, Clock::time_point now)
{
    bool headOnly = request.method == "HEAD";
    bool keepAlive = request.keepAlive;
    HttpReply reply = m_handler(request);
    if (reply.resetConnection) {
        close(true);
        return;
    }
    if (reply.delay.count() > 0) {
        m_holdUntil = now + reply.delay;
        m_heldReply = std::move(reply);
        m_heldHeadOnly = headOnly;
        m_heldKeepAlive = keepAlive;
        m_phase = Phase::Holding;
        return;
    }
    prepareReply(reply, headOnly, !keepAlive);
    m_writeDeadline = now + m_limits.writeTimeout;
}

void HttpConnection::prepareReply(const HttpReply& reply, bool headOnly, bool closeAfter)
{
    std::string& out = m_output;
    out.clear();
    out.reserve(160 + (headOnly ? 0 : reply.body.size()));
    out += "HTTP/1.1 ";
    out += std::to_string(reply.status);
    out += ' ';
    out += reasonPhrase(reply.status);
    out += "\r\n";
    if (!reply.contentType.empty()) {
        out += "Content-Type: ";
        out += reply.contentType;
        out += "\r\n";
    }
    out += "Content-Length: ";
    out += std::to_string(reply.body.size());
    out += "\r\n";
    if (closeAfter)
        out += "Connection: close\r\n";
    else if (m_parser.request().minorVersion == 0)
        out += "Connection: keep-alive\r\n";
    out += "\r\n";
    if (!headOnly)
        out += reply.body;
    m_written = 0;
    m_closeAfterWrite = closeAfter;
    m_phase = Phase::Writing;
}

void HttpConnection::prepareError(int status)
{
    HttpReply reply;
    reply.status = status;
    reply.body = std::string(reasonPhrase(status)) + "\n";
    // What follows a refused request cannot be trusted to be a request.
    prepareReply(reply, false, true);
}

void HttpConnection::beginDrain(Clock::time_point now)
{
    ::shutdown(m_fd, SHUT_WR);
    m_input = std::string();
    m_parser.reset();
    m_drainUntil = now + kDrainTime;
    m_phase = Phase::Draining;
}

void HttpConnection::startNextRequest(Clock::time_point now)
{
    m_parser.reset();
    m_phase = Phase::Reading;
    m_readyAt = now;
    m_sawFirstByte = false;
    m_sawHead = false;
    m_continueSent = false;
}

HttpConnection::Wait HttpConnection::close(bool reset)
{
    if (m_fd >= 0) {
        if (reset) {
            // A reset rather than an orderly close: the client sees the
            // connection fail, not an empty reply.
            linger abort { 1, 0 };
            ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        }
        ::close(m_fd);
        m_fd = -1;
    }
    m_phase = Phase::Closed;
    return Wait::Closed;
}

} // namespace merchant
