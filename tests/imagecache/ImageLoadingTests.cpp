#include "LoopbackFixture.h"
#include "imagecache/ImageDownloaderOperation.h"
#include "support/SelfSignedCertificate.h"

using namespace imagecache;

using ImageLoading = LoopbackFixture;

namespace {

// One picture over https, from a certificate no one vouches for.
class UnvouchedPictureServer {
public:
    UnvouchedPictureServer()
        : m_server(m_certificate.certificatePath().c_str(), m_certificate.keyPath().c_str())
    {
        m_server.set_keep_alive_max_count(1);
        m_server.Get("/secure.png", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(support::ImageSamples::png(4, 4, 0xff0000ff), "image/png");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~UnvouchedPictureServer()
    {
        m_server.stop();
        m_thread.join();
    }
    bool isValid() const { return m_certificate.isValid() && m_server.is_valid(); }
    std::string url() const { return "https://127.0.0.1:" + std::to_string(m_port) + "/secure.png"; }

private:
    support::SelfSignedCertificate m_certificate;
    httplib::SSLServer m_server;
    int m_port = 0;
    std::thread m_thread;
};

} // namespace

TEST_F(ImageLoading, MissingUrlFailsAtOnceWithoutARequest)
{
    auto result = load("");
    EXPECT_EQ(result->calls, 1);
    ASSERT_TRUE(result->error);
    EXPECT_EQ(result->error->code, -1100);
    EXPECT_TRUE(result->finished);
    EXPECT_FALSE(m_manager->isRunning());
}

TEST_F(ImageLoading, DownloadGoesToMemoryAndDiskAndIsFoundThereAfterwards)
{
    auto first = loaded(url("/img/red.png"));
    ASSERT_TRUE(first->image);
    EXPECT_TRUE(first->onMain);
    EXPECT_EQ(first->source, ImageCacheSource::None);
    EXPECT_EQ(first->image->pixelAt(0, 0).premultipliedArgb(), 0xffff0000u);
    EXPECT_EQ(loaded(url("/img/red.png"))->source, ImageCacheSource::Memory);

    ASSERT_TRUE(runUntil([&] { return m_manager->diskImageExistsForURL(url("/img/red.png")); }));
    m_cache->clearMemory();
    auto fromDisk = loaded(url("/img/red.png"));
    EXPECT_EQ(fromDisk->source, ImageCacheSource::Disk);
    ASSERT_TRUE(fromDisk->image);
    EXPECT_EQ(s_server->hits("/img/red.png"), 1);
}

TEST_F(ImageLoading, MemoryOnlyImagesAreGoneWithTheMemory)
{
    ASSERT_TRUE(loaded(url("/img/red.png"), LoadMemoryCacheOnly)->image);
    EXPECT_EQ(loaded(url("/img/red.png"))->source, ImageCacheSource::Memory);
    m_cache->clearMemory();
    EXPECT_EQ(loaded(url("/img/red.png"))->source, ImageCacheSource::None);
    EXPECT_EQ(s_server->hits("/img/red.png"), 2);
}

TEST_F(ImageLoading, RefreshDeliversTheCachedImageThenTheNewOne)
{
    ASSERT_TRUE(loaded(url("/img/red.png"))->image);
    auto refreshed = load(url("/img/red.png"), LoadRefreshCached);
    ASSERT_TRUE(runUntil([&] { return refreshed->calls == 2; }));
    EXPECT_EQ(refreshed->source, ImageCacheSource::None);
    EXPECT_EQ(s_server->hits("/img/red.png"), 2);
}

// A portrait that was not there stays unasked for; one the server could not
// serve for a moment comes back with the server.
TEST_F(ImageLoading, OnlyPermanentFailuresAreRememberedForTheRun)
{
    auto missing = loaded(url("/status/404.png"));
    ASSERT_TRUE(missing->error);
    EXPECT_EQ(missing->error->code, 404);
    EXPECT_EQ(loaded(url("/status/404.png"))->error->code, -1100);
    EXPECT_EQ(s_server->hits("/status/404.png"), 1);
    EXPECT_EQ(loaded(url("/status/404.png"), LoadRetryFailed)->error->code, 404);

    EXPECT_EQ(loaded(url("/status/500.png"))->error->code, 500);
    EXPECT_EQ(loaded(url("/status/500.png"))->error->code, 500);
    EXPECT_EQ(s_server->hits("/status/500.png"), 2);

    auto garbage = loaded(url("/garbage.png"));
    ASSERT_TRUE(garbage->error);
    EXPECT_EQ(garbage->error->domain, ImageError::imageDomain);
    EXPECT_TRUE(m_manager->isFailedURL(url("/garbage.png")));

    auto dead = loaded("http://127.0.0.1:1/nobody.png");
    ASSERT_TRUE(dead->error);
    EXPECT_LT(dead->error->code, 0);
    EXPECT_FALSE(m_manager->isFailedURL("http://127.0.0.1:1/nobody.png"));
}

TEST_F(ImageLoading, NotModifiedEndsTheLoadWithAnError)
{
    auto result = loaded(url("/status/304.png"));
    ASSERT_TRUE(result->error);
    EXPECT_EQ(result->error->code, 304);
    EXPECT_FALSE(m_manager->isRunning());
}

TEST_F(ImageLoading, BodiesAreCappedWhateverTheServerSays)
{
    m_downloader->setMaximumImageBytes(64);
    auto told = loaded(url("/img/red.png"));
    ASSERT_TRUE(told->error);
    EXPECT_EQ(told->error->code, ImageDownloaderOperation::dataLengthExceedsMaximum);
    m_downloader->setMaximumImageBytes(100'000);
    auto endless = loaded(url("/endless.png"));
    ASSERT_TRUE(endless->error);
    EXPECT_EQ(endless->error->code, ImageDownloaderOperation::dataLengthExceedsMaximum);
}

TEST_F(ImageLoading, ImagesKeepWhatTheirBytesAndNamesSay)
{
    auto moved = loaded(url("/moved.png"));
    ASSERT_TRUE(moved->image);
    EXPECT_EQ(moved->image->pixelAt(0, 0).premultipliedArgb(), 0xff0000ffu);

    auto turned = loaded(url("/turned.jpg"));
    ASSERT_TRUE(turned->image);
    EXPECT_EQ(turned->image->orientation(), graphics::Image::Orientation::Right);

    auto doubled = loaded(url("/pic@2x.png"));
    ASSERT_TRUE(doubled->image);
    EXPECT_EQ(doubled->image->scale(), 2.0);

    auto moving = loaded(url("/moving.gif"));
    ASSERT_TRUE(moving->image);
    EXPECT_EQ(moving->image->images().size(), 2u);
    // From disk the frames come back too.
    ASSERT_TRUE(runUntil([&] { return m_manager->diskImageExistsForURL(url("/moving.gif")); }));
    m_cache->clearMemory();
    auto again = loaded(url("/moving.gif"));
    ASSERT_TRUE(again->image);
    EXPECT_EQ(again->source, ImageCacheSource::Disk);
    EXPECT_EQ(again->image->images().size(), 2u);
}

TEST_F(ImageLoading, TwoRequestersShareOneTransferAndCancelOnlyThemselves)
{
    std::shared_ptr<ImageCombinedOperation> firstOperation;
    auto first = load(url("/slow/a.png"), 0, &firstOperation);
    auto second = load(url("/slow/a.png"));
    ASSERT_TRUE(runUntil([&] { return s_server->hits("/slow/a.png") == 1; }));
    firstOperation->cancel();
    EXPECT_EQ(m_manager->runningOperationCount(), 1u);
    s_server->release();
    ASSERT_TRUE(runUntil([&] { return second->calls == 1; }));
    EXPECT_TRUE(second->image);
    EXPECT_EQ(first->calls, 0);
    EXPECT_EQ(s_server->hits("/slow/a.png"), 1);
    EXPECT_TRUE(runUntil([&] { return !m_manager->isRunning(); }));
}

TEST_F(ImageLoading, CancellingEveryRequesterStopsTheTransfer)
{
    std::shared_ptr<ImageCombinedOperation> a, b;
    auto first = load(url("/slow/b.png"), 0, &a);
    auto second = load(url("/slow/b.png"), 0, &b);
    ASSERT_TRUE(runUntil([&] { return s_server->hits("/slow/b.png") == 1; }));
    a->cancel();
    b->cancel();
    EXPECT_TRUE(runUntil([&] { return m_downloader->currentDownloadCount() == 0; }));
    EXPECT_FALSE(m_manager->isRunning());
    s_server->release();
    // A new request after the cancel starts a new transfer rather than
    // joining the dead one.
    auto third = loaded(url("/slow/b.png"));
    EXPECT_TRUE(third->image);
    EXPECT_EQ(first->calls + second->calls, 0);
}

TEST_F(ImageLoading, CancelledLoadsNeverCompleteNorStayRunning)
{
    // Cancelled while the disk is being asked.
    std::shared_ptr<ImageCombinedOperation> operation;
    auto early = load(url("/img/red.png"), 0, &operation);
    operation->cancel();
    EXPECT_FALSE(m_manager->isRunning());

    // Cancelled all at once while downloading. Every request must have reached the
    // server first: one still on its way would be counted in the next test.
    std::vector<LoadPtr> loads;
    for (auto name : { "/slow/c.png", "/slow/d.png", "/slow/e.png" })
        loads.push_back(load(url(name)));
    ASSERT_TRUE(runUntil([&] {
        return s_server->hits("/slow/c.png") == 1 && s_server->hits("/slow/d.png") == 1
            && s_server->hits("/slow/e.png") == 1;
    }));
    m_manager->cancelAll();
    EXPECT_FALSE(m_manager->isRunning());
    s_server->release();
    EXPECT_TRUE(runUntil([&] { return m_downloader->currentDownloadCount() == 0; }));
    for (auto const& cancelled : loads)
        EXPECT_EQ(cancelled->calls, 0);
    EXPECT_EQ(early->calls, 0);
}

TEST_F(ImageLoading, LastInFirstOutRunsTheNewestFirst)
{
    m_downloader->setMaxConcurrentDownloads(1);
    m_downloader->setExecutionOrder(DownloadOrder::LIFO);
    m_downloader->setSuspended(true);
    std::vector<LoadPtr> loads;
    for (auto name : { "/img/one.png", "/img/two.png", "/img/three.png" })
        loads.push_back(load(url(name)));
    ASSERT_TRUE(runUntil([&] { return m_downloader->currentDownloadCount() == 3; }));
    m_downloader->setSuspended(false);
    ASSERT_TRUE(runUntil([&] { return !m_manager->isRunning(); }));
    auto const order = s_server->order();
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order.front(), "/img/three.png");
    EXPECT_EQ(order.back(), "/img/one.png");
}

TEST_F(ImageLoading, CertificateChecksAreSkippedOnlyWhenTheLoadAllowsInvalidCertificates)
{
    UnvouchedPictureServer server;
    ASSERT_TRUE(server.isValid());
    auto refused = loaded(server.url());
    ASSERT_TRUE(refused->error);
    EXPECT_EQ(refused->error->code, net::URLError::ServerCertificateUntrusted);
    EXPECT_FALSE(refused->image);

    auto allowed = loaded(server.url(), LoadAllowInvalidCertificates);
    ASSERT_TRUE(allowed->image);
    EXPECT_EQ(allowed->image->pixelAt(0, 0).premultipliedArgb(), 0xff0000ffu);
}
