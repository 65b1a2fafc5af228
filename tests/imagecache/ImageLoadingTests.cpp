#include "LoopbackFixture.h"
#include "imagecache/DecodeBudget.h"
#include "imagecache/ImageDownloaderOperation.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/graphics/ImageProbe.h"
#include "support/SelfSignedCertificate.h"

#include <condition_variable>
#include <mutex>

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

// A refresh that the server answers "not modified" (or that the URL cache
// answers itself) must not hand the same picture over a second time.
TEST_F(ImageLoading, RefreshCompletesAgainOnlyWhenThePictureChanged)
{
    auto refresh = [&](const std::string& path) { return loaded(url(path), LoadRefreshCached); };
    ASSERT_TRUE(refresh("/etag/a.png")->image);
    auto unchanged = refresh("/etag/a.png");
    EXPECT_EQ(unchanged->calls, 1);
    EXPECT_EQ(unchanged->source, ImageCacheSource::Memory);
    EXPECT_EQ(s_server->hits("/etag/a.png"), 2);

    s_server->setVersion("a", 2);
    auto changed = refresh("/etag/a.png");
    EXPECT_EQ(changed->calls, 2);
    ASSERT_TRUE(changed->image);
    EXPECT_EQ(changed->image->pixelAt(0, 0).premultipliedArgb(), 0xff0000ffu);
    EXPECT_EQ(changed->source, ImageCacheSource::None);

    // Still fresh in the URL cache: no request leaves at all.
    ASSERT_TRUE(refresh("/fresh/a.png")->image);
    EXPECT_EQ(refresh("/fresh/a.png")->calls, 1);
    EXPECT_EQ(s_server->hits("/fresh/a.png"), 1);

    // Without a refresh the URL cache is neither read nor filled.
    ASSERT_TRUE(loaded(url("/fresh/b.png"))->image);
    m_cache->clearMemory();
    m_cache->clearDisk();
    ASSERT_TRUE(loaded(url("/fresh/b.png"))->image);
    EXPECT_EQ(s_server->hits("/fresh/b.png"), 2);
}

// A refresh whose URL redirects to one the URL cache answered unchanged handed
// the same picture over a second time: the cache was asked about the URL the
// load began with, which it never holds, not the one that answered.
TEST_F(ImageLoading, RefreshBehindARedirectCompletesAgainOnlyWhenThePictureChanged)
{
    auto refresh = [&](const std::string& path) { return loaded(url(path), LoadRefreshCached); };
    ASSERT_TRUE(refresh("/to/etag/r.png")->image);
    auto unchanged = refresh("/to/etag/r.png");
    EXPECT_EQ(unchanged->calls, 1);
    EXPECT_EQ(unchanged->source, ImageCacheSource::Memory);
    EXPECT_EQ(s_server->hits("/to/etag/r.png"), 2);
    EXPECT_EQ(s_server->hits("/etag/r.png"), 2);

    // Fresh in the URL cache: only the redirect goes out.
    ASSERT_TRUE(refresh("/to/fresh/r.png")->image);
    EXPECT_EQ(refresh("/to/fresh/r.png")->calls, 1);
    EXPECT_EQ(s_server->hits("/to/fresh/r.png"), 2);
    EXPECT_EQ(s_server->hits("/fresh/r.png"), 1);

    s_server->setVersion("r", 2);
    auto changed = refresh("/to/etag/r.png");
    EXPECT_EQ(changed->calls, 2);
    ASSERT_TRUE(changed->image);
    EXPECT_EQ(changed->image->pixelAt(0, 0).premultipliedArgb(), 0xff0000ffu);
}

TEST_F(ImageLoading, IgnoringCachedResponsesDropsOnlyWhatTheURLCacheAnswered)
{
    struct Fetched {
        int calls = 0;
        ImagePtr image;
        std::optional<ImageError> error;
    };
    auto fetch = [&](unsigned options) {
        auto fetched = std::make_shared<Fetched>();
        // The downloader answers on the download's queue; what it answered
        // is read here, on the main thread, so it is handed over there.
        m_downloader->downloadImageWithURL(url("/fresh/c.png"), options, nullptr,
            [fetched](ImagePtr image, auto const&, std::optional<ImageError> error, bool) {
                foundation::DispatchQueue::main()->async(
                    [fetched, image = std::move(image), error = std::move(error)]() mutable {
                        fetched->image = std::move(image);
                        fetched->error = std::move(error);
                        ++fetched->calls;
                    });
            });
        EXPECT_TRUE(
            runUntil([&] { return fetched->calls > 0 && m_downloader->currentDownloadCount() == 0; }));
        return fetched;
    };
    EXPECT_TRUE(fetch(FetchIgnoreCachedResponse)->image) << "the network's answer is never dropped";
    EXPECT_TRUE(fetch(FetchUseURLCache | FetchIgnoreCachedResponse)->image) << "nor one going into the cache";
    auto const fromCache = fetch(FetchUseURLCache | FetchIgnoreCachedResponse);
    EXPECT_EQ(fromCache->calls, 1);
    EXPECT_FALSE(fromCache->image);
    EXPECT_FALSE(fromCache->error);
    EXPECT_TRUE(fetch(FetchUseURLCache)->image);
    EXPECT_EQ(s_server->hits("/fresh/c.png"), 2);
}

TEST_F(ImageLoading, CookiesGoOnlyWithLoadsThatHandleThem)
{
    ASSERT_TRUE(loaded(url("/cookie/set.png?plain"))->image);
    ASSERT_TRUE(loaded(url("/cookie/seen.png?1"), LoadHandleCookies)->image);
    EXPECT_EQ(s_server->lastCookie(), "");

    ASSERT_TRUE(loaded(url("/cookie/set.png?handled"), LoadHandleCookies)->image);
    ASSERT_TRUE(loaded(url("/cookie/seen.png?2"), LoadHandleCookies)->image);
    EXPECT_EQ(s_server->lastCookie(), "portrait=1");
    ASSERT_TRUE(loaded(url("/cookie/seen.png?3"))->image);
    EXPECT_EQ(s_server->lastCookie(), "");
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

// TIFF and WebP were recognised but never decoded: every load of one failed.
TEST_F(ImageLoading, TiffAndWebPArriveDecodedTurnedAndComeBackFromDisk)
{
    using O = graphics::Image::Orientation;
    for (auto const& [path, orientation] :
        { std::pair { "/turned.tif", O::Right }, std::pair { "/turned.webp", O::Left } }) {
        auto const first = loaded(url(path));
        ASSERT_TRUE(first->image) << path;
        EXPECT_EQ(first->image->pixelWidth(), 20) << path;
        EXPECT_EQ(first->image->orientation(), orientation) << path;
        EXPECT_EQ(first->image->size().width, 12 / first->image->scale()) << path;
        std::string const address = url(path);
        ASSERT_TRUE(runUntil([&] { return m_manager->diskImageExistsForURL(address); })) << path;
        m_cache->clearMemory();
        auto const again = loaded(url(path));
        ASSERT_TRUE(again->image) << path;
        EXPECT_EQ(again->source, ImageCacheSource::Disk) << path;
        EXPECT_EQ(again->image->orientation(), orientation) << path;
        EXPECT_EQ(s_server->hits(path), 1) << path;
    }
}

// Their decodes are held to the budget as a PNG's are: a picture that alone
// needs more than the budget is refused without being decoded, whatever size
// its header claims.
TEST_F(ImageLoading, TiffAndWebPDecodesAreHeldToTheBudget)
{
    for (auto const& [path, bytes] : { std::pair { "/turned.tif", ImageTestServer::turnedTiff() },
             std::pair { "/turned.webp", ImageTestServer::turnedWebP() } }) {
        auto const footprint = graphics::ImageProbe::probe(ImageDecoding::bytesOf(bytes));
        ASSERT_TRUE(footprint) << path;
        m_downloader->setDecodeBudget(footprint->decodeBytes - 1);
        auto const refused = loaded(url(path) + "?tight");
        ASSERT_TRUE(refused->error) << path;
        EXPECT_EQ(refused->error->description, ImageError::tooLarge().description) << path;
        m_downloader->setDecodeBudget(footprint->decodeBytes);
        EXPECT_TRUE(loaded(url(path) + "?room")->image) << path;
    }
    m_downloader->setDecodeBudget(DecodeBudget::defaultLimit);
    auto const huge = loaded(url("/huge.tif"));
    ASSERT_TRUE(huge->error);
    EXPECT_EQ(huge->error->description, ImageError::tooLarge().description);
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

// Six large pictures arriving together were decoded together, and held
// gigabytes between them.
TEST(DecodeBudget, GrantsInTheOrderAskedAndRefusesWhatCouldNeverFit)
{
    auto budget = DecodeBudget::create(100);
    std::vector<std::string> order;
    DecodeBudget::ReservationPtr first, second, third;
    budget->reserve(60, [&](auto granted) { first = granted, order.push_back("first"); });
    budget->reserve(50, [&](auto granted) { second = granted, order.push_back("second"); });
    // Small enough to fit, but no one passes the line.
    budget->reserve(10, [&](auto granted) { third = granted, order.push_back("third"); });
    EXPECT_FALSE(budget->tryReserve(10));
    bool refused = false;
    budget->reserve(101, [&](auto granted) { refused = !granted; });
    EXPECT_TRUE(refused);
    EXPECT_EQ(order, std::vector<std::string> { "first" });
    EXPECT_EQ(budget->waiting(), 2u);
    first.reset();
    EXPECT_EQ(order, (std::vector<std::string> { "first", "second", "third" }));
    EXPECT_EQ(budget->inUse(), 60u);

    // A waiter that no longer fits a lowered budget is refused, not left
    // waiting for ever.
    bool dropped = false;
    budget->reserve(45, [&](auto granted) { dropped = !granted; });
    budget->setLimit(40);
    EXPECT_TRUE(dropped);
    second.reset();
    third.reset();
    EXPECT_EQ(budget->inUse(), 0u);
    EXPECT_EQ(budget->peak(), 60u);
}

TEST_F(ImageLoading, DecodesWaitForRoomInTheBudgetAndAPictureTooLargeForItIsRefused)
{
    auto const one = graphics::ImageProbe::probe(ImageDecoding::bytesOf(support::ImageSamples::png(4, 4, 0xffff0000)));
    ASSERT_TRUE(one);
    auto const& budget = m_downloader->decodeBudget();
    m_downloader->setDecodeBudget(2 * one->decodeBytes);
    m_downloader->setMaxConcurrentDownloads(2);
    // Another decode holds the whole budget.
    auto held = budget->tryReserve(2 * one->decodeBytes);
    ASSERT_TRUE(held);
    std::vector<LoadPtr> loads;
    for (auto name : { "/img/b1.png", "/img/b2.png", "/img/b3.png", "/img/b4.png" })
        loads.push_back(load(url(name)));
    // Both downloads have their bytes and wait to decode, holding their
    // slots; the other two wait for a slot. Nothing is stuck for good.
    ASSERT_TRUE(runUntil([&] { return budget->waiting() == 2; }));
    EXPECT_EQ(s_server->hits("/img/b3.png") + s_server->hits("/img/b4.png"), 0);
    for (auto const& waiting : loads)
        EXPECT_EQ(waiting->calls, 0);
    held.reset();
    ASSERT_TRUE(runUntil([&] { return !m_manager->isRunning(); }));
    for (auto const& done : loads)
        EXPECT_TRUE(done->image);
    EXPECT_LE(budget->peak(), 2 * one->decodeBytes);
    // Given back on the download's queue once the image has been handed over.
    EXPECT_TRUE(runUntil([&] { return budget->inUse() == 0; }));

    m_downloader->setDecodeBudget(one->decodeBytes - 1);
    auto refused = loaded(url("/img/b5.png"));
    EXPECT_FALSE(refused->image);
    ASSERT_TRUE(refused->error);
    EXPECT_EQ(refused->error->domain, ImageError::imageDomain);
    EXPECT_EQ(refused->error->description, ImageError::tooLarge().description);
}

namespace {

// Holds the transform of every partial picture (which has rows still
// missing, so alpha) back until the final image has reached the main thread:
// the partials then arrive after it.
class LatePartials : public ImageManagerDelegate {
public:
    std::optional<ImagePtr> imageManagerTransformDownloadedImage(
        ImageManager&, const ImagePtr& image, const std::string&) override
    {
        std::unique_lock lock(m_mutex);
        ++m_started;
        if (image->hasAlpha())
            m_changed.wait_for(lock, std::chrono::seconds(5), [this] { return m_finalShown; });
        ++m_done;
        return image;
    }
    void finalShown()
    {
        std::lock_guard lock(m_mutex);
        m_finalShown = true;
        m_changed.notify_all();
    }
    int started()
    {
        std::lock_guard lock(m_mutex);
        return m_started;
    }
    bool allDone()
    {
        std::lock_guard lock(m_mutex);
        return m_finalShown && m_done == m_started;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_finalShown = false;
    int m_started = 0;
    int m_done = 0;
};

} // namespace

// A progressive load showed nothing until its last byte had arrived.
TEST_F(ImageLoading, ProgressiveLoadsShowWhatHasArrivedThenTheFinalImage)
{
    struct Seen {
        bool finished;
        bool onMain;
        int width;
    };
    auto watch = [&](const std::string& address, unsigned options,
                     std::shared_ptr<ImageCombinedOperation>* operation = nullptr) {
        auto seen = std::make_shared<std::vector<Seen>>();
        auto started = m_manager->downloadImageWithURL(address, options, nullptr,
            [seen](auto const& image, auto const&, auto, bool finished, auto const&) {
                seen->push_back({ finished, foundation::RunLoop::isMainThread(), image ? image->pixelWidth() : 0 });
            });
        if (operation)
            *operation = started;
        return seen;
    };
    for (auto path : { "/partly/deep.jpg", "/partly/rows.png" }) {
        s_server->reset();
        auto seen = watch(url(path), LoadProgressive);
        // Before the rest is sent.
        ASSERT_TRUE(runUntil([&] { return !seen->empty(); })) << path;
        EXPECT_FALSE(seen->front().finished) << path;
        s_server->release();
        ASSERT_TRUE(runUntil([&] { return !m_manager->isRunning(); })) << path;
        ASSERT_TRUE(seen->back().finished) << path;
        for (std::size_t i = 0; i < seen->size(); ++i) {
            EXPECT_EQ((*seen)[i].finished, i + 1 == seen->size()) << path;
            EXPECT_TRUE((*seen)[i].onMain) << path;
            EXPECT_EQ((*seen)[i].width, seen->back().width) << path;
        }
        // Only the final image is cached.
        m_cache->clearMemory();
    }

    // Partials overtaken on the way to the main thread are dropped, never
    // shown after the final image.
    s_server->reset();
    auto late = std::make_shared<LatePartials>();
    m_manager->setDelegate(late);
    std::vector<bool> overtaken;
    m_manager->downloadImageWithURL(url("/partly/rows.png?late"), LoadProgressive, nullptr,
        [&](auto const&, auto const&, auto, bool finished, auto const&) {
            overtaken.push_back(finished);
            if (finished)
                late->finalShown();
        });
    // A partial is on its way through the transform before the rest is sent.
    ASSERT_TRUE(runUntil([&] { return late->started() == 1; }));
    s_server->release();
    ASSERT_TRUE(runUntil([&] { return late->allDone() && !m_manager->isRunning(); }));
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_EQ(overtaken, std::vector<bool> { true });
    m_manager->setDelegate(nullptr);

    // A cancelled load hears nothing more, partial or final.
    s_server->reset();
    std::shared_ptr<ImageCombinedOperation> operation;
    auto cancelled = watch(url("/partly/deep.jpg?again"), LoadProgressive, &operation);
    ASSERT_TRUE(runUntil([&] { return !cancelled->empty(); }));
    operation->cancel();
    std::size_t const heard = cancelled->size();
    s_server->release();
    EXPECT_TRUE(runUntil([&] { return m_downloader->currentDownloadCount() == 0; }));
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_EQ(cancelled->size(), heard);

    // A GIF has no partial picture; nor has a load that did not ask, nor one
    // whose partial would not fit in the decode budget now.
    s_server->reset();
    auto gif = watch(url("/partly/moving.gif"), LoadProgressive);
    auto plain = watch(url("/partly/rows.png?plain"), 0);
    auto held = m_downloader->decodeBudget()->tryReserve(m_downloader->decodeBudget()->limit());
    auto crowded = watch(url("/partly/deep.jpg?crowded"), LoadProgressive);
    ASSERT_TRUE(runUntil([&] { return s_server->hits("/partly/deep.jpg") == 1; }));
    s_server->release();
    ASSERT_TRUE(runUntil([&] { return m_downloader->decodeBudget()->waiting() == 3; }));
    held.reset();
    ASSERT_TRUE(runUntil([&] { return !m_manager->isRunning(); }));
    for (auto const& one : { gif, plain, crowded }) {
        ASSERT_EQ(one->size(), 1u);
        EXPECT_TRUE(one->front().finished);
        EXPECT_GT(one->front().width, 0);
    }
}
