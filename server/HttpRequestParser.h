#pragma once

#include "server/HttpLimits.h"
#include "server/HttpRequest.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace merchant {

// Reads one HTTP/1.x request from bytes as they arrive, holding the client
// to HttpLimits: the head is kept only up to its limits, a body (sized or
// chunked) only up to maxBodyBytes, so no client can make it hold more.
// A request that breaks a rule fails with the status to answer.
class HttpRequestParser {
public:
    enum class Status { NeedMore, Done, Failed };

    explicit HttpRequestParser(const HttpLimits& limits);

    // Takes bytes up to the end of the current request, or up to the byte
    // that made it fail, and returns how many it took. The rest belongs to
    // the next request.
    std::size_t feed(std::string_view data);

    Status status() const;
    // The status to answer with once the request failed: 400, 408 is the
    // caller's, 413, 414, 417, 431, 501 or 505.
    int failure() const { return m_failure; }
    // Some byte of this request has arrived.
    bool started() const { return m_started; }
    bool headComplete() const;
    // The head asked for "100 Continue" and no byte of the body has come.
    bool awaitsContinue() const;

    // The request read so far; whole once status() is Done.
    HttpRequest& request() { return m_request; }
    // Forgets the request, ready for the next one on the connection.
    void reset();

private:
    enum class Stage { Head, FixedBody, ChunkSize, ChunkData, ChunkEnd, Trailer, Done, Failed };

    std::size_t feedHead(std::string_view data);
    std::size_t feedBody(std::string_view data, Stage next);
    std::size_t feedLine(std::string_view data, std::size_t limit, int overLimitStatus);
    void parseChunkSize();
    bool parseHead();
    bool parseRequestLine(std::string_view line);
    bool parseFraming();
    void lineDone();
    void fail(int status);

    HttpLimits m_limits;
    Stage m_stage = Stage::Head;
    bool m_started = false;
    bool m_headDone = false;
    bool m_bodyStarted = false;
    int m_failure = 0;
    std::size_t m_skipped = 0; // blank lines before the request line
    std::string m_head;
    std::size_t m_lineStart = 0;
    std::size_t m_linesDone = 0;
    std::string m_line; // a chunk-size, chunk-end or trailer line being read
    bool m_lineComplete = false;
    std::size_t m_remaining = 0; // bytes left of the sized body or of the chunk
    std::size_t m_trailerBytes = 0;
    std::size_t m_trailerLines = 0;
    HttpRequest m_request;
};

} // namespace merchant
