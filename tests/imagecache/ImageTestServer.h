#pragma once

#include "support/ImageSamples.h"

#include <chrono>
#include <condition_variable>
#include <httplib.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// Pictures over loopback HTTP, with the answers a picture server can give:
// TIFF and WebP as well as PNG, JPEG and GIF, redirects, 304, 404, 500, a
// lying or endless body, a slow answer held until the test lets it go,
// pictures sent part of the way at once and the rest when the test lets it
// go, pictures with validators or a lifetime, and cookies. Counts the
// requests for each path.
class ImageTestServer {
public:
    // A tiled big-endian TIFF turned right (EXIF 6), and a lossy WebP turned
    // left (EXIF 8), of a 20 x 12 gradient.
    static std::string turnedTiff()
    {
        using support::ImageSamples;
        return ImageSamples::tiff(20, 12, ImageSamples::wordsOf(*ImageSamples::gradient(20, 12)),
            { .bigEndian = true, .tiled = true, .orientation = 6 });
    }
    static std::string turnedWebP()
    {
        using support::ImageSamples;
        return ImageSamples::webp(20, 12, ImageSamples::wordsOf(*ImageSamples::gradient(20, 12)),
            { .lossless = false, .exifOrientation = 8 });
    }

    ImageTestServer()
    {
        using support::ImageSamples;
        auto png = [](std::uint32_t argb) { return ImageSamples::png(4, 4, argb); };
        m_server.Get(R"(/img/(\w+)\.png)", [this, png](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            res.set_content(png(req.matches[1] == "blue" ? 0xff0000ff : 0xffff0000), "image/png");
        });
        m_server.Get(R"(/slow/(\w+)\.png)", [this, png](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            std::unique_lock lock(m_mutex);
            m_gate.wait_for(lock, std::chrono::seconds(5), [this] { return m_open; });
            res.set_content(png(0xff00ff00), "image/png");
        });
        m_server.Get("/pic@2x.png", [this, png](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            res.set_content(png(0xff000000), "image/png");
        });
        m_server.Get("/turned.jpg", [this](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            res.set_content(ImageSamples::jpeg(6, 4, 0x808080, 6), "image/jpeg");
        });
        m_server.Get(R"(/turned\.tif)", [this](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            res.set_content(turnedTiff(), "image/tiff");
        });
        m_server.Get(R"(/turned\.webp)", [this](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            res.set_content(turnedWebP(), "image/webp");
        });
        m_server.Get("/huge.tif", [this](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            res.set_content(ImageSamples::tiffClaiming(60000, 60000), "image/tiff");
        });
        m_server.Get("/moving.gif", [this](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            res.set_content(ImageSamples::gif(2, 2,
                                { { .width = 2, .height = 2, .colour = 1, .delay = 5 },
                                    { .width = 2, .height = 2, .colour = 2, .delay = 5 } }),
                "image/gif");
        });
        m_server.Get("/moved.png", [this](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            res.set_redirect("/img/blue.png", 302);
        });
        // Any picture above, one redirect away: /to/etag/a.png is /etag/a.png.
        m_server.Get(R"(/to/(\w+)/(\w+\.png))", [this](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            res.set_redirect("/" + std::string(req.matches[1]) + "/" + std::string(req.matches[2]), 302);
        });
        m_server.Get(R"(/status/(\d+)\.png)", [this](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            res.status = std::stoi(req.matches[1]);
        });
        // A validator for its version, answered 304 when the client holds it;
        // version 1 is red, later ones blue.
        m_server.Get(R"(/etag/(\w+)\.png)", [this, png](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            int version;
            {
                std::lock_guard lock(m_mutex);
                version = m_versions.try_emplace(req.matches[1], 1).first->second;
            }
            auto const etag = "\"v" + std::to_string(version) + "\"";
            res.set_header("ETag", etag);
            if (req.get_header_value("If-None-Match") == etag) {
                res.status = 304;
                return;
            }
            res.set_content(png(version == 1 ? 0xffff0000 : 0xff0000ff), "image/png");
        });
        m_server.Get(
            R"(/fresh/(\w+)\.png)", [this, png](const httplib::Request& req, httplib::Response& res) {
                count(req.path);
                res.set_header("Cache-Control", "max-age=3600");
                res.set_content(png(0xff00ff00), "image/png");
            });
        m_server.Get(
            R"(/cookie/(\w+)\.png)", [this, png](const httplib::Request& req, httplib::Response& res) {
                count(req.path);
                if (req.matches[1] == "set")
                    res.set_header("Set-Cookie", "portrait=1; Max-Age=3600; Path=/");
                std::lock_guard lock(m_mutex);
                m_lastCookie = req.get_header_value("Cookie");
                res.set_content(png(0xff00ff00), "image/png");
            });
        m_server.Get("/garbage.png", [this](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            res.set_content("this is no picture", "image/png");
        });
        // Three fifths of the file, then the rest once released.
        auto partly = [this](std::string bytes, const char* type) {
            return [this, bytes = std::move(bytes), type](const httplib::Request& req, httplib::Response& res) {
                count(req.path);
                std::size_t const cut = bytes.size() * 3 / 5;
                res.set_content_provider(bytes.size(), type,
                    [this, bytes, cut](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                        if (offset < cut)
                            return sink.write(bytes.data() + offset, cut - offset);
                        std::unique_lock lock(m_mutex);
                        m_gate.wait_for(lock, std::chrono::seconds(5), [this] { return m_open; });
                        lock.unlock();
                        return sink.write(bytes.data() + offset, bytes.size() - offset);
                    });
            };
        };
        m_server.Get("/partly/deep.jpg", partly(ImageSamples::progressiveJpeg(320, 320), "image/jpeg"));
        m_server.Get("/partly/rows.png", partly(ImageSamples::gradientPng(96, 96, false), "image/png"));
        m_server.Get("/partly/moving.gif",
            partly(ImageSamples::gif(64, 64,
                       { { .width = 64, .height = 64, .colour = 1 }, { .width = 64, .height = 64, .colour = 2 } }),
                "image/gif"));
        // Says nothing of its length and never stops sending.
        m_server.Get("/endless.png", [this](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            res.set_chunked_content_provider("image/png", [](std::size_t, httplib::DataSink& sink) {
                std::string const chunk(4096, 'x');
                return sink.write(chunk.data(), chunk.size());
            });
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }

    ~ImageTestServer()
    {
        release();
        m_server.stop();
        m_thread.join();
    }

    std::string url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

    int hits(const std::string& path)
    {
        std::lock_guard lock(m_mutex);
        return m_hits[path];
    }
    std::vector<std::string> order()
    {
        std::lock_guard lock(m_mutex);
        return m_order;
    }
    void reset()
    {
        std::lock_guard lock(m_mutex);
        m_hits.clear();
        m_order.clear();
        m_versions.clear();
        m_lastCookie.clear();
        m_open = false;
    }
    void setVersion(const std::string& name, int version)
    {
        std::lock_guard lock(m_mutex);
        m_versions[name] = version;
    }
    // The Cookie field of the last request for a cookie picture.
    std::string lastCookie()
    {
        std::lock_guard lock(m_mutex);
        return m_lastCookie;
    }
    // Lets every held slow answer go, and later ones through at once.
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_gate.notify_all();
    }

private:
    void count(const std::string& path)
    {
        std::lock_guard lock(m_mutex);
        ++m_hits[path];
        m_order.push_back(path);
    }

    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_gate;
    bool m_open = false;
    std::map<std::string, int> m_hits;
    std::vector<std::string> m_order;
    std::map<std::string, int> m_versions;
    std::string m_lastCookie;
};
