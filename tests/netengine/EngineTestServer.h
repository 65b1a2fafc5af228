#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

// A loopback server for the engine's tests, with one path per behaviour:
//   /text                "hello", text/plain
//   /versioned           "v1" with ETag "v1" and max-age 60; 304 to a request naming that ETag
//   /status?code=N       status N (a 3xx without a Location)
//   /redirect            302 to /text;  /redirect-away  302 to /headers on "localhost" (another origin)
//   /headers             the Authorization field it was sent, or "none"
//   /basic, /digest      "welcome" for ann/secret, else 401 with a challenge of that scheme
//   /slow                answers only once released (or at shutdown)
//   /image               a 4 x 3 PNG
//   /upload              "name size" of the multipart part "file"
//   /echo                the method, content type, language and body it was sent
class EngineTestServer {
public:
    static constexpr const char* user = "ann";
    static constexpr const char* password = "secret";

    EngineTestServer();
    ~EngineTestServer();

    int port() const { return m_port; }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::string url(const std::string& path) const { return "http://" + host() + path; }

    // Requests seen per path, and the last one's header field.
    int hits(const std::string& path) const;
    std::string lastHeader(const std::string& path, const std::string& field) const;
    // Turns the main loop, without sleeping, until a request for the path arrived.
    void waitForHit(const std::string& path) const;
    void releaseSlow();

private:
    void record(const std::string& path, const std::string& field, const std::string& value);

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port { 0 };
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<std::string, int> m_hits;
    std::map<std::string, std::string> m_lastHeaders;
    bool m_released { false };
};
