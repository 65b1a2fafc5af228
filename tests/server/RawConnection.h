#pragma once

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

// A loopback client for what libcurl will not send: heads cut short, header
// floods, bodies past the limit, pipelines. Every wait has a bound.
class RawConnection {
public:
    using Millis = std::chrono::milliseconds;

    struct Reply {
        int status = 0;
        std::string head; // status line and fields, as sent
        std::string body;
        bool hasField(std::string_view text) const { return head.find(text) != std::string::npos; }
    };

    explicit RawConnection(int port)
        : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~RawConnection()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    // False when the server has closed or reset the connection, or the bytes
    // did not fit in within the time-out.
    bool send(std::string_view bytes, Millis timeout = Millis(5000))
    {
        while (!bytes.empty()) {
            if (!waitFor(POLLOUT, timeout))
                return false;
            ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (sent <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    // True when the server has something to say (or has closed) already.
    bool replyWaiting() { return waitFor(POLLIN, Millis(0)); }

    // One reply with a Content-Length body; nothing when the connection
    // closes first or the time-out passes.
    std::optional<Reply> readReply(Millis timeout = Millis(10000))
    {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        std::size_t headEnd;
        while ((headEnd = m_buffer.find("\r\n\r\n")) == std::string::npos) {
            if (receive(deadline) <= 0)
                return std::nullopt;
        }
        Reply reply;
        reply.head = m_buffer.substr(0, headEnd + 2);
        m_buffer.erase(0, headEnd + 4);
        reply.status = std::atoi(reply.head.c_str() + std::min<std::size_t>(9, reply.head.size()));
        std::size_t field = reply.head.find("Content-Length: ");
        std::size_t length = field == std::string::npos ? 0 : std::stoul(reply.head.substr(field + 16));
        while (m_buffer.size() < length) {
            if (receive(deadline) <= 0)
                return std::nullopt;
        }
        reply.body = m_buffer.substr(0, length);
        m_buffer.erase(0, length);
        return reply;
    }

    // True when the server closes (or resets) the connection within the
    // time-out; what it sends before that is dropped.
    bool closedWithin(Millis timeout)
    {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        int got;
        while ((got = receive(deadline)) > 0)
            m_buffer.clear();
        return got == 0;
    }

private:
    bool waitFor(short events, Millis timeout)
    {
        pollfd entry { m_fd, events, 0 };
        return m_fd >= 0
            && ::poll(&entry, 1, static_cast<int>(std::max<std::int64_t>(0, timeout.count()))) > 0;
    }

    // 1 when bytes came (or may come), 0 when the connection ended, -1 when the time is up.
    int receive(std::chrono::steady_clock::time_point deadline)
    {
        if (!waitFor(POLLIN, std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now())))
            return -1;
        char chunk[16384];
        ssize_t got = ::recv(m_fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return 1;
        if (got <= 0)
            return 0;
        m_buffer.append(chunk, static_cast<std::size_t>(got));
        return 1;
    }

    int m_fd;
    std::string m_buffer;
};
