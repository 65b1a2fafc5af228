#pragma once

#include "ImageTestServer.h"
#include "imagecache/ImageManager.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/net/HTTPCookieStorage.h"
#include "platform/net/URLCache.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

// A manager of its own per test, over a fresh disk folder, loading from one
// loopback server for the whole program. Waits turn the real main loop, for a
// few seconds at most.
class LoopbackFixture : public ::testing::Test {
protected:
    struct Load {
        int calls = 0;
        imagecache::ImagePtr image;
        std::optional<imagecache::ImageError> error;
        imagecache::ImageCacheSource source = imagecache::ImageCacheSource::None;
        bool finished = false;
        bool onMain = false;
    };
    using LoadPtr = std::shared_ptr<Load>;

    static void SetUpTestSuite() { s_server = std::make_unique<ImageTestServer>(); }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        foundation::Clock::install(nullptr);
        foundation::RunLoop::main().reset();
        s_server->reset();
        static int counter = 0;
        m_directory = std::filesystem::temp_directory_path()
            / ("imagecache-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        m_cache = imagecache::ImageCache::create("test", m_directory);
        // The process's URL cache and cookies are the test's own too.
        net::URLCache::setShared(net::URLCache::create(1 << 20, 1 << 22, m_directory / "URLCache"));
        net::HTTPCookieStorage::setShared(net::HTTPCookieStorage::create(m_directory / "cookies.txt"));
        m_downloader = imagecache::ImageDownloader::create();
        m_manager = imagecache::ImageManager::create(m_cache, m_downloader);
    }

    void TearDown() override
    {
        s_server->release();
        m_manager->cancelAll();
        runUntil([&] { return m_downloader->currentDownloadCount() == 0; });
        net::URLCache::shared()->flush();
        net::URLCache::setShared(nullptr);
        net::HTTPCookieStorage::shared()->flush();
        net::HTTPCookieStorage::setShared(nullptr);
        std::error_code error;
        std::filesystem::remove_all(m_directory, error);
    }

    static bool runUntil(const std::function<bool()>& done, double seconds = 5)
    {
        bool expired = false;
        auto deadline = foundation::Timer::scheduledTimer(seconds, false, [&] { expired = true; });
        // Some conditions change on worker threads, which do not wake the
        // loop; a short tick looks again.
        auto tick = foundation::Timer::scheduledTimer(0.005, true, [] {});
        foundation::RunLoop::main().runUntil([&] { return expired || done(); });
        deadline->invalidate();
        tick->invalidate();
        return done();
    }

    static std::string url(const std::string& path) { return s_server->url(path); }

    LoadPtr load(const std::string& address, unsigned options = 0,
        std::shared_ptr<imagecache::ImageCombinedOperation>* operation = nullptr)
    {
        auto result = std::make_shared<Load>();
        auto started = m_manager->downloadImageWithURL(address, options, nullptr,
            [result](auto const& image, auto const& error, auto source, bool finished, auto const&) {
                ++result->calls;
                result->image = image;
                result->error = error;
                result->source = source;
                result->finished = finished;
                result->onMain = foundation::RunLoop::isMainThread();
            });
        if (operation)
            *operation = started;
        return result;
    }

    // Loads and waits for the answer.
    LoadPtr loaded(const std::string& address, unsigned options = 0)
    {
        auto result = load(address, options);
        EXPECT_TRUE(runUntil([&] { return result->calls > 0 && !m_manager->isRunning(); }));
        return result;
    }

    static inline std::unique_ptr<ImageTestServer> s_server;
    std::filesystem::path m_directory;
    std::shared_ptr<imagecache::ImageCache> m_cache;
    std::shared_ptr<imagecache::ImageDownloader> m_downloader;
    std::shared_ptr<imagecache::ImageManager> m_manager;
};
