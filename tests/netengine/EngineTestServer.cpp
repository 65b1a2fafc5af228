#include "EngineTestServer.h"

#include "netengine/NEBase64.h"
#include "netengine/NetworkEngineAdditions.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageEncoder.h"

#include <chrono>
#include <httplib.h>
#include <limits>

namespace {

// The value of key="value" or key=value inside a Digest authorisation field.
std::string digestParameter(const std::string& field, const std::string& key)
{
    auto at = field.find(key + "=");
    if (at == std::string::npos)
        return {};
    at += key.size() + 1;
    if (at < field.size() && field[at] == '"') {
        auto end = field.find('"', at + 1);
        return field.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    }
    auto end = field.find(',', at);
    return field.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

bool digestAccepts(const httplib::Request& request)
{
    auto const field = request.get_header_value("Authorization");
    if (field.rfind("Digest ", 0) != 0)
        return false;
    auto md5 = [](const std::string& text) { return NetworkEngineAdditions::md5(text); };
    auto const ha1 = md5(std::string(EngineTestServer::user) + ":engine:" + EngineTestServer::password);
    auto const ha2 = md5(request.method + ":" + digestParameter(field, "uri"));
    auto const expected = md5(ha1 + ":" + digestParameter(field, "nonce") + ":" + digestParameter(field, "nc")
        + ":" + digestParameter(field, "cnonce") + ":" + digestParameter(field, "qop") + ":" + ha2);
    return digestParameter(field, "username") == EngineTestServer::user
        && digestParameter(field, "response") == expected;
}

} // namespace

EngineTestServer::EngineTestServer()
    : m_server(std::make_unique<httplib::Server>())
{
    auto& server = *m_server;
    // Shutting down waits for kept-alive connections to go idle this long.
    server.set_keep_alive_timeout(1);
    server.Get("/text", [this](const httplib::Request&, httplib::Response& response) {
        record("/text", "", "");
        response.set_content("hello", "text/plain");
    });
    server.Get("/versioned", [this](const httplib::Request& request, httplib::Response& response) {
        record("/versioned", "If-None-Match", request.get_header_value("If-None-Match"));
        if (request.get_header_value("If-None-Match") == "\"v1\"") {
            response.status = 304;
            return;
        }
        response.set_header("ETag", "\"v1\"");
        response.set_header("Cache-Control", "max-age=60");
        response.set_content("v1", "text/plain");
    });
    server.Get("/status", [this](const httplib::Request& request, httplib::Response& response) {
        record("/status", "", "");
        response.status = std::stoi(request.get_param_value("code"));
        // A 304 has no body; one sent anyway would be read as the next answer.
        if (response.status != 304)
            response.set_content("status", "text/plain");
    });
    server.Get("/redirect", [this](const httplib::Request&, httplib::Response& response) {
        record("/redirect", "", "");
        response.set_redirect("/text");
    });
    server.Get("/redirect-away", [this](const httplib::Request& request, httplib::Response& response) {
        record("/redirect-away", "Authorization", request.get_header_value("Authorization"));
        response.set_redirect("http://localhost:" + std::to_string(m_port) + "/headers");
    });
    server.Get("/headers", [this](const httplib::Request& request, httplib::Response& response) {
        record("/headers", "Authorization", request.get_header_value("Authorization"));
        auto field = request.get_header_value("Authorization");
        response.set_content(field.empty() ? "none" : field, "text/plain");
    });
    // Counts its answers, under the Cache-Control the request names.
    server.Get("/uncacheable", [this](const httplib::Request& request, httplib::Response& response) {
        record("/uncacheable", "", "");
        response.set_header("Cache-Control", request.get_param_value("control"));
        response.set_content("answer " + std::to_string(hits("/uncacheable")), "text/plain");
    });
    server.Get("/basic", [this](const httplib::Request& request, httplib::Response& response) {
        record("/basic", "Authorization", request.get_header_value("Authorization"));
        auto const expected = "Basic " + NEBase64::base64EncodedString(std::string(user) + ":" + password);
        if (request.get_header_value("Authorization") == expected) {
            response.set_content("welcome", "text/plain");
            return;
        }
        response.status = 401;
        response.set_header("WWW-Authenticate", "Basic realm=\"engine\"");
        response.set_content("who are you", "text/plain");
    });
    server.Get("/digest", [this](const httplib::Request& request, httplib::Response& response) {
        record("/digest", "Authorization", request.get_header_value("Authorization"));
        if (digestAccepts(request)) {
            response.set_content("welcome", "text/plain");
            return;
        }
        response.status = 401;
        response.set_header(
            "WWW-Authenticate", "Digest realm=\"engine\", qop=\"auth\", nonce=\"n0nce\", algorithm=MD5");
        response.set_content("who are you", "text/plain");
    });
    server.Get("/slow", [this](const httplib::Request&, httplib::Response& response) {
        record("/slow", "", "");
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_released; });
        response.set_content("late", "text/plain");
    });
    server.Post("/held", [this](const httplib::Request&, httplib::Response& response) {
        std::unique_lock lock(m_mutex);
        int const ticket = m_heldArrived++;
        lock.unlock();
        record("/held", "", "");
        lock.lock();
        m_changed.wait(lock, [this, ticket] { return m_heldReleased > ticket; });
        response.set_content("held", "text/plain");
    });
    server.Get("/image", [this](const httplib::Request&, httplib::Response& response) {
        record("/image", "", "");
        auto picture = graphics::Image::fromColor(graphics::Color(1, 0, 0, 1), { 4, 3 });
        response.set_content(graphics::ImageEncoder::png(*picture).value_or(""), "image/png");
    });
    server.Post("/upload", [this](const httplib::Request& request, httplib::Response& response) {
        record("/upload", "Content-Type", request.get_header_value("Content-Type"));
        auto file = request.get_file_value("file");
        response.set_content(file.filename + " " + std::to_string(file.content.size()), "text/plain");
    });
    server.Get("/bytes", [this](const httplib::Request& request, httplib::Response& response) {
        record("/bytes", "", "");
        auto const size = std::stoull(request.get_param_value("size"));
        response.set_content_provider(size, "application/octet-stream",
            [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                constexpr std::size_t chunk = 64 * 1024;
                // Byte j of the pattern is j % 251, so any offset starts somewhere in it.
                static std::string const pattern = [] {
                    std::string bytes(chunk + 251, '\0');
                    for (std::size_t j = 0; j < bytes.size(); ++j)
                        bytes[j] = static_cast<char>(j % 251);
                    return bytes;
                }();
                return sink.write(pattern.data() + offset % 251, std::min(length, chunk));
            });
    });
    server.Get("/trickle", [this](const httplib::Request& request, httplib::Response& response) {
        record("/trickle", "", "");
        auto const chunks = std::stoi(request.get_param_value("chunks"));
        auto const every = std::chrono::milliseconds(std::stoi(request.get_param_value("every")));
        auto sent = std::make_shared<int>(0);
        // Of a type the server does not compress, which would hold the bytes back.
        response.set_chunked_content_provider(
            "application/octet-stream", [chunks, every, sent](std::size_t, httplib::DataSink& sink) {
                if (*sent > 0)
                    std::this_thread::sleep_for(every);
                if ((*sent)++ == chunks) {
                    sink.done();
                    return true;
                }
                return sink.write("x", 1);
            });
    });
    auto echo = [this](const httplib::Request& request, httplib::Response& response) {
        record("/echo", "Accept-Language", request.get_header_value("Accept-Language"));
        response.set_content(request.method + "\n" + request.get_header_value("Content-Type") + "\n"
                + request.get_header_value("Accept-Language") + "\n" + request.body,
            "text/plain");
    };
    server.Get("/echo", echo);
    server.Post("/echo", echo);
    m_port = server.bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
}

EngineTestServer::~EngineTestServer()
{
    releaseSlow();
    {
        std::lock_guard lock(m_mutex);
        m_heldReleased = std::numeric_limits<int>::max();
        m_changed.notify_all();
    }
    m_server->stop();
    m_thread.join();
}

void EngineTestServer::record(const std::string& path, const std::string& field, const std::string& value)
{
    std::lock_guard lock(m_mutex);
    ++m_hits[path];
    if (!field.empty())
        m_lastHeaders[path] = value;
    m_changed.notify_all();
    // A test waiting on the main loop looks again.
    foundation::RunLoop::main().wakeUp();
}

int EngineTestServer::hits(const std::string& path) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_hits.find(path);
    return it == m_hits.end() ? 0 : it->second;
}

std::string EngineTestServer::lastHeader(const std::string& path, const std::string&) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_lastHeaders.find(path);
    return it == m_lastHeaders.end() ? std::string() : it->second;
}

void EngineTestServer::waitForHit(const std::string& path, int after) const
{
    // The main loop keeps turning: the request goes out from there.
    foundation::RunLoop::main().runUntil([&] { return hits(path) > after; });
}

void EngineTestServer::releaseSlow()
{
    std::lock_guard lock(m_mutex);
    m_released = true;
    m_changed.notify_all();
}

void EngineTestServer::releaseHeld()
{
    std::lock_guard lock(m_mutex);
    ++m_heldReleased;
    m_changed.notify_all();
}
