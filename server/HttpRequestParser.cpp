#include "server/HttpRequestParser.h"

#include "platform/foundation/Strings.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace merchant {

namespace {

// The longest chunk-size line read, extensions included; real clients send
// a few hex digits.
constexpr std::size_t kMaxChunkLine = 4096;

bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::strchr("!#$%&'*+-.^_`|~", c) != nullptr && c != '\0';
}

bool isToken(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), isTokenChar);
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Calls `each` with every trimmed, lower-cased element of a comma list.
template<typename Each> void forEachListItem(std::string_view list, Each each)
{
    while (true) {
        std::size_t comma = list.find(',');
        std::string_view item = trimmed(list.substr(0, comma));
        if (!item.empty())
            each(foundation::asciiLowercase(item));
        if (comma == std::string_view::npos)
            return;
        list.remove_prefix(comma + 1);
    }
}

} // namespace

HttpRequestParser::HttpRequestParser(const HttpLimits& limits)
    : m_limits(limits)
{
}

HttpRequestParser::Status HttpRequestParser::status() const
{
    if (m_stage == Stage::Done)
        return Status::Done;
    if (m_stage == Stage::Failed)
        return Status::Failed;
    return Status::NeedMore;
}

bool HttpRequestParser::headComplete() const
{
    return m_headDone;
}

bool HttpRequestParser::awaitsContinue() const
{
    return m_request.expectContinue && m_headDone && !m_bodyStarted && m_stage != Stage::Done
        && m_stage != Stage::Failed;
}

void HttpRequestParser::reset()
{
    m_stage = Stage::Head;
    m_started = false;
    m_headDone = false;
    m_bodyStarted = false;
    m_failure = 0;
    m_skipped = 0;
    // Fresh strings rather than clear(): a large head or body gives its
    // memory back instead of parking it on an idle connection.
    m_head = std::string();
    m_lineStart = 0;
    m_linesDone = 0;
    m_line = std::string();
    m_lineComplete = false;
    m_remaining = 0;
    m_trailerBytes = 0;
    m_trailerLines = 0;
    m_request = HttpRequest();
}

void HttpRequestParser::fail(int status)
{
    m_stage = Stage::Failed;
    m_failure = status;
}

std::size_t HttpRequestParser::feed(std::string_view data)
{
    if (!data.empty())
        m_started = true;
    std::size_t used = 0;
    while (used < data.size() && m_stage != Stage::Done && m_stage != Stage::Failed) {
        std::string_view rest = data.substr(used);
        if (m_stage != Stage::Head)
            m_bodyStarted = true;
        switch (m_stage) {
        case Stage::Head:
            used += feedHead(rest);
            break;
        case Stage::FixedBody:
            used += feedBody(rest, Stage::Done);
            break;
        case Stage::ChunkSize:
            used += feedLine(rest, kMaxChunkLine, 400);
            if (m_lineComplete)
                parseChunkSize();
            break;
        case Stage::ChunkData:
            used += feedBody(rest, Stage::ChunkEnd);
            break;
        case Stage::ChunkEnd:
            used += feedLine(rest, 0, 400);
            if (m_lineComplete) {
                lineDone();
                m_stage = Stage::ChunkSize;
            }
            break;
        case Stage::Trailer:
            // The trailer is read and dropped, held to the limits of a head.
            used += feedLine(
                rest, m_limits.maxHeadBytes - std::min(m_trailerBytes, m_limits.maxHeadBytes), 431);
            if (m_lineComplete) {
                bool end = m_line.empty();
                m_trailerBytes += m_line.size() + 2;
                lineDone();
                if (end)
                    m_stage = Stage::Done;
                else if (++m_trailerLines > m_limits.maxHeaderCount)
                    fail(431);
            }
            break;
        case Stage::Done:
        case Stage::Failed:
            break;
        }
    }
    return used;
}

std::size_t HttpRequestParser::feedBody(std::string_view data, Stage next)
{
    std::size_t take = std::min(m_remaining, data.size());
    m_request.body.append(data.data(), take);
    m_remaining -= take;
    if (m_remaining == 0)
        m_stage = next;
    return take;
}

std::size_t HttpRequestParser::feedLine(std::string_view data, std::size_t limit, int overLimitStatus)
{
    const char* newline = static_cast<const char*>(std::memchr(data.data(), '\n', data.size()));
    std::size_t take = newline ? static_cast<std::size_t>(newline - data.data()) + 1 : data.size();
    std::size_t content = newline ? take - 1 : take;
    // One byte of slack for the "\r" before the "\n".
    if (m_line.size() + content > limit + 1) {
        fail(overLimitStatus);
        return take;
    }
    m_line.append(data.data(), content);
    if (newline) {
        if (!m_line.empty() && m_line.back() == '\r')
            m_line.pop_back();
        if (m_line.size() > limit) {
            fail(overLimitStatus);
            return take;
        }
        m_lineComplete = true;
    }
    return take;
}

void HttpRequestParser::lineDone()
{
    m_line.clear();
    m_lineComplete = false;
}

void HttpRequestParser::parseChunkSize()
{
    std::string_view line = m_line;
    std::size_t size = 0;
    std::size_t digits = 0;
    bool tooLarge = false;
    while (digits < line.size() && foundation::hexDigitValue(line[digits]) >= 0) {
        size = size * 16 + static_cast<std::size_t>(foundation::hexDigitValue(line[digits]));
        // Checked at every digit, so the value can never overflow.
        if (size > m_limits.maxBodyBytes)
            tooLarge = true;
        if (tooLarge)
            size = m_limits.maxBodyBytes + 1;
        ++digits;
    }
    std::string_view rest = trimmed(line.substr(digits));
    if (digits == 0 || (!rest.empty() && rest.front() != ';')) {
        fail(400);
        return;
    }
    lineDone();
    if (tooLarge || m_request.body.size() + size > m_limits.maxBodyBytes) {
        fail(413);
        return;
    }
    if (size == 0) {
        m_stage = Stage::Trailer;
        return;
    }
    m_remaining = size;
    m_stage = Stage::ChunkData;
}

std::size_t HttpRequestParser::feedHead(std::string_view data)
{
    std::size_t used = 0;
    while (used < data.size() && m_stage == Stage::Head) {
        // Blank lines before a request line are skipped, as HTTP/1.1 allows;
        // they count against the request line so that they cannot go on for ever.
        if (m_head.empty() && (data[used] == '\r' || data[used] == '\n')) {
            if (++m_skipped > m_limits.maxRequestLineBytes) {
                fail(400);
                return used + 1;
            }
            ++used;
            continue;
        }
        const char* start = data.data() + used;
        std::size_t available = data.size() - used;
        const char* newline = static_cast<const char*>(std::memchr(start, '\n', available));
        std::size_t take = newline ? static_cast<std::size_t>(newline - start) + 1 : available;
        std::size_t lineLength = m_head.size() - m_lineStart + take;
        // The "\r\n" ending the line does not count.
        if (m_linesDone == 0 && lineLength > m_limits.maxRequestLineBytes + 2) {
            fail(414);
            return used + take;
        }
        if (m_head.size() + take > m_limits.maxHeadBytes) {
            fail(431);
            return used + take;
        }
        m_head.append(start, take);
        used += take;
        if (!newline)
            break;
        std::size_t lineEnd = m_head.size() - 1;
        if (lineEnd > m_lineStart && m_head[lineEnd - 1] == '\r')
            --lineEnd;
        bool blank = lineEnd == m_lineStart;
        m_lineStart = m_head.size();
        if (blank) {
            m_headDone = parseHead() && parseFraming();
            break;
        }
        // The request line is not a header.
        if (++m_linesDone > m_limits.maxHeaderCount + 1) {
            fail(431);
            break;
        }
    }
    return used;
}

bool HttpRequestParser::parseHead()
{
    std::string_view head = m_head;
    bool first = true;
    while (!head.empty()) {
        std::size_t newline = head.find('\n');
        std::string_view line = head.substr(0, newline);
        head.remove_prefix(newline == std::string_view::npos ? head.size() : newline + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            break;
        if (first) {
            first = false;
            if (!parseRequestLine(line))
                return false;
            continue;
        }
        // Folded continuation lines are obsolete and a known way to smuggle
        // fields past a proxy; they are refused.
        std::size_t colon = line.find(':');
        if (line.front() == ' ' || line.front() == '\t' || colon == std::string_view::npos
            || !isToken(line.substr(0, colon))) {
            fail(400);
            return false;
        }
        std::string_view value = trimmed(line.substr(colon + 1));
        for (char c : value) {
            auto byte = static_cast<unsigned char>(c);
            if ((byte < 0x20 && c != '\t') || byte == 0x7f) {
                fail(400);
                return false;
            }
        }
        m_request.headers.emplace_back(foundation::asciiLowercase(line.substr(0, colon)), std::string(value));
    }
    return true;
}

bool HttpRequestParser::parseRequestLine(std::string_view line)
{
    std::size_t firstSpace = line.find(' ');
    std::size_t secondSpace
        = firstSpace == std::string_view::npos ? firstSpace : line.find(' ', firstSpace + 1);
    if (secondSpace == std::string_view::npos || line.find(' ', secondSpace + 1) != std::string_view::npos) {
        fail(400);
        return false;
    }
    std::string_view method = line.substr(0, firstSpace);
    std::string_view target = line.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    std::string_view version = line.substr(secondSpace + 1);
    bool targetValid = !target.empty() && std::all_of(target.begin(), target.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte != 0x7f;
    });
    bool versionShaped = version.size() == 8 && version.substr(0, 5) == "HTTP/" && version[5] >= '0'
        && version[5] <= '9' && version[6] == '.' && version[7] >= '0' && version[7] <= '9';
    if (!isToken(method) || !targetValid || !versionShaped) {
        fail(400);
        return false;
    }
    if (version[5] != '1' || version[7] > '1') {
        fail(505);
        return false;
    }
    m_request.method = method;
    m_request.target = target;
    m_request.minorVersion = version[7] - '0';
    return true;
}

bool HttpRequestParser::parseFraming()
{
    std::optional<std::size_t> length;
    bool chunked = false;
    bool transferEncoded = false;
    bool close = false;
    bool keepAlive = false;
    for (const auto& [name, value] : m_request.headers) {
        if (name == "content-length") {
            // Only plain digits; a list or a sign is a framing attack.
            if (value.empty() || value.size() > 18
                || !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
                fail(400);
                return false;
            }
            std::size_t parsed = std::stoull(value);
            if (length && *length != parsed) {
                fail(400);
                return false;
            }
            length = parsed;
        } else if (name == "transfer-encoding") {
            transferEncoded = true;
            std::vector<std::string> codings;
            forEachListItem(value, [&](std::string coding) { codings.push_back(std::move(coding)); });
            if (chunked || codings.size() != 1 || codings.front() != "chunked") {
                fail(501);
                return false;
            }
            chunked = true;
        } else if (name == "connection") {
            forEachListItem(value, [&](const std::string& option) {
                close = close || option == "close";
                keepAlive = keepAlive || option == "keep-alive";
            });
        } else if (name == "expect") {
            if (foundation::asciiLowercase(trimmed(value)) != "100-continue") {
                fail(417);
                return false;
            }
            m_request.expectContinue = m_request.minorVersion >= 1;
        }
    }
    // Both framings at once, or chunking in HTTP/1.0, is how requests are
    // smuggled past a proxy; neither is served.
    if (transferEncoded && (length || m_request.minorVersion == 0)) {
        fail(400);
        return false;
    }
    m_request.keepAlive = !close && (m_request.minorVersion >= 1 || keepAlive);
    if (chunked) {
        m_stage = Stage::ChunkSize;
    } else if (length && *length > m_limits.maxBodyBytes) {
        fail(413);
        return false;
    } else if (length && *length > 0) {
        m_request.body.reserve(*length);
        m_remaining = *length;
        m_stage = Stage::FixedBody;
    } else {
        m_stage = Stage::Done;
    }
    return true;
}

} // namespace merchant
