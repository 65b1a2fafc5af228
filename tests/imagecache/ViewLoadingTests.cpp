#include "LoopbackFixture.h"
#include "imagecache/AnnotationViewWebCache.h"
#include "imagecache/ButtonWebCache.h"
#include "imagecache/ImagePrefetcher.h"
#include "imagecache/ImageViewWebCache.h"
#include "platform/kit/AnnotationView.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"

using namespace imagecache;

namespace {

// The view conveniences go through the shared manager and cache: each test
// starts with both empty.
class ViewLoading : public LoopbackFixture {
protected:
    void SetUp() override
    {
        LoopbackFixture::SetUp();
        auto shared = ImageManager::sharedManager();
        shared->imageCache()->clearMemory();
        bool cleared = false;
        shared->imageCache()->clearDiskOnCompletion([&] { cleared = true; });
        ASSERT_TRUE(runUntil([&] { return cleared; }));
    }
    void TearDown() override
    {
        s_server->release();
        ImageManager::sharedManager()->cancelAll();
        runUntil([] { return ImageDownloader::sharedDownloader()->currentDownloadCount() == 0; });
        LoopbackFixture::TearDown();
    }

    static std::uint32_t colourOf(const ImagePtr& image)
    {
        return image ? image->pixelAt(0, 0).premultipliedArgb() : 0;
    }
};

} // namespace

TEST_F(ViewLoading, AReusedCellShowsOnlyItsLastPortrait)
{
    auto cell = std::make_shared<kit::ImageView>();
    cell->setImage(support::ImageSamples::solid(1, 1, 0xff123456));
    ImageViewWebCache::ic_setImageWithURL(cell, url("/slow/old.png"));
    // No placeholder: the view is emptied at once.
    EXPECT_FALSE(cell->image());
    ASSERT_TRUE(runUntil([&] { return s_server->hits("/slow/old.png") == 1; }));
    ImageViewWebCache::ic_setImageWithURL(cell, url("/img/blue.png"));
    EXPECT_EQ(ImageViewWebCache::ic_imageURL(*cell), url("/img/blue.png"));
    ASSERT_TRUE(runUntil([&] { return cell->image() != nullptr; }));
    s_server->release();
    EXPECT_TRUE(runUntil([] { return ImageDownloader::sharedDownloader()->currentDownloadCount() == 0; }));
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_EQ(colourOf(cell->image()), 0xff0000ffu);
}

TEST_F(ViewLoading, NilUrlReportsItsErrorAndCancelsThePreviousLoad)
{
    auto view = std::make_shared<kit::ImageView>();
    ImageViewWebCache::ic_setImageWithURL(view, url("/slow/gone.png"));
    std::optional<ImageError> reported;
    ImageViewWebCache::ic_setImageWithURL(
        view, "", [&](auto const&, auto const& error, auto, auto const&) { reported = error; });
    ASSERT_TRUE(reported);
    EXPECT_EQ(reported->code, -1);
    EXPECT_EQ(reported->description, "Trying to load a nil url");
    EXPECT_FALSE(ImageManager::sharedManager()->isRunning());
}

TEST_F(ViewLoading, DelayedPlaceholderShowsOnlyWhenNothingLoads)
{
    auto old = support::ImageSamples::solid(1, 1, 0xff111111);
    auto placeholder = support::ImageSamples::solid(1, 1, 0xff222222);
    auto view = std::make_shared<kit::ImageView>();
    view->setImage(old);
    bool done = false;
    ImageViewWebCache::ic_setImageWithURL(view, url("/status/404.png"), placeholder, LoadDelayPlaceholder,
        nullptr, [&](auto const&, auto const&, auto, auto const&) { done = true; });
    EXPECT_EQ(view->image(), old);
    ASSERT_TRUE(runUntil([&] { return done; }));
    EXPECT_EQ(view->image(), placeholder);

    // With a completion, avoiding the automatic set leaves the view alone.
    ImagePtr delivered;
    ImageViewWebCache::ic_setImageWithURL(view, url("/img/red.png"), nullptr,
        LoadAvoidAutoSetImage | LoadDelayPlaceholder, nullptr,
        [&](auto const& image, auto const&, auto, auto const&) { delivered = image; });
    ASSERT_TRUE(runUntil([&] { return delivered != nullptr; }));
    EXPECT_EQ(view->image(), placeholder);
}

TEST_F(ViewLoading, AnimationFramesKeepTheOrderOfTheirUrls)
{
    auto view = std::make_shared<kit::ImageView>();
    view->setAnimationImages({ support::ImageSamples::solid(1, 1, 0xff999999) });
    // The slow first frame arrives last.
    ImageViewWebCache::ic_setAnimationImagesWithURLs(view, { url("/slow/first.png"), url("/img/blue.png") });
    ASSERT_TRUE(runUntil([&] { return view->animationImages().size() == 1; }));
    EXPECT_EQ(colourOf(view->animationImages()[0]), 0xff0000ffu);
    s_server->release();
    ASSERT_TRUE(runUntil([&] { return view->animationImages().size() == 2; }));
    EXPECT_EQ(colourOf(view->animationImages()[0]), 0xff00ff00u);
    EXPECT_EQ(colourOf(view->animationImages()[1]), 0xff0000ffu);
    EXPECT_TRUE(view->isAnimating());
}

TEST_F(ViewLoading, ButtonsLoadPerStateAndFallBackToTheNormalUrl)
{
    auto button = std::make_shared<kit::Button>();
    ButtonWebCache::ic_setImageWithURL(button, url("/img/red.png"), kit::ControlState::Normal);
    ButtonWebCache::ic_setBackgroundImageWithURL(button, url("/img/blue.png"), kit::ControlState::Normal);
    button->setHighlighted(true);
    EXPECT_EQ(ButtonWebCache::ic_currentImageURL(*button), url("/img/red.png"));
    ASSERT_TRUE(runUntil([&] {
        return button->imageForState(kit::ControlState::Normal)
            && button->backgroundImageForState(kit::ControlState::Normal);
    }));
    EXPECT_EQ(colourOf(button->backgroundImageForState(kit::ControlState::Normal)), 0xff0000ffu);
}

TEST_F(ViewLoading, PrefetcherLoadsAFewAtATimeAndCountsFailuresAsSkipped)
{
    auto prefetcher = ImagePrefetcher::create(m_manager);
    std::optional<std::pair<std::size_t, std::size_t>> finished;
    prefetcher->prefetchURLs({}, nullptr, [&](std::size_t done, std::size_t skipped) {
        finished = { done, skipped };
    });
    ASSERT_TRUE(finished);
    EXPECT_EQ(*finished, std::make_pair(std::size_t(0), std::size_t(0)));

    finished.reset();
    std::vector<std::string> urls;
    for (auto name : { "/slow/p1.png", "/slow/p2.png", "/slow/p3.png", "/slow/p4.png", "/status/404.png" })
        urls.push_back(url(name));
    prefetcher->prefetchURLs(urls, nullptr, [&](std::size_t done, std::size_t skipped) {
        finished = { done, skipped };
    });
    EXPECT_EQ(prefetcher->requestedCount(), 3u);
    ASSERT_TRUE(runUntil([&] { return s_server->hits("/slow/p3.png") == 1; }));
    EXPECT_EQ(s_server->hits("/slow/p4.png"), 0);
    s_server->release();
    ASSERT_TRUE(runUntil([&] { return finished.has_value(); }));
    EXPECT_EQ(*finished, std::make_pair(std::size_t(5), std::size_t(1)));
}

TEST_F(ViewLoading, ANewPrefetchListDropsTheOldOneSilently)
{
    auto prefetcher = ImagePrefetcher::create(m_manager);
    bool firstDone = false;
    prefetcher->prefetchURLs({ url("/slow/q1.png") }, nullptr, [&](auto, auto) { firstDone = true; });
    ASSERT_TRUE(runUntil([&] { return s_server->hits("/slow/q1.png") == 1; }));
    std::optional<std::size_t> secondDone;
    prefetcher->prefetchURLs(
        { url("/img/red.png") }, nullptr, [&](std::size_t done, auto) { secondDone = done; });
    s_server->release();
    ASSERT_TRUE(runUntil([&] { return secondDone.has_value(); }));
    EXPECT_EQ(*secondDone, 1u);
    EXPECT_TRUE(runUntil([&] { return m_downloader->currentDownloadCount() == 0; }));
    EXPECT_FALSE(firstDone);
}

namespace {

// Hands back a picture of its own for every download, from the transform
// worker.
class RepaintingDelegate : public ImageManagerDelegate {
public:
    std::optional<ImagePtr> imageManagerTransformDownloadedImage(
        ImageManager&, const ImagePtr&, const std::string&) override
    {
        return support::ImageSamples::solid(2, 2, 0xff00ffff);
    }
};

} // namespace

// The transform ran on a worker that found the load gone once its caller had
// dropped the handle: no completion came, and a prefetcher never finished.
TEST_F(ViewLoading, LoadsWithADelegateCompleteAfterTheirHandleIsDropped)
{
    auto delegate = std::make_shared<RepaintingDelegate>();
    m_manager->setDelegate(delegate);
    auto dropped = load(url("/img/red.png"));
    ASSERT_TRUE(runUntil([&] { return dropped->calls == 1; }));
    EXPECT_EQ(colourOf(dropped->image), 0xff00ffffu);
    EXPECT_TRUE(dropped->onMain);
    EXPECT_TRUE(runUntil([&] { return !m_manager->isRunning(); }));
    EXPECT_EQ(colourOf(m_cache->imageFromMemoryCacheForKey(url("/img/red.png"))), 0xff00ffffu);

    auto prefetcher = ImagePrefetcher::create(m_manager);
    prefetcher->manager()->setDelegate(delegate);
    std::optional<std::pair<std::size_t, std::size_t>> finished;
    prefetcher->prefetchURLs({ url("/img/one.png"), url("/img/two.png"), url("/status/404.png") }, nullptr,
        [&](std::size_t done, std::size_t skipped) { finished = { done, skipped }; });
    ASSERT_TRUE(runUntil([&] { return finished.has_value(); }));
    EXPECT_EQ(*finished, std::make_pair(std::size_t(3), std::size_t(1)));

    // A cancelled load stays silent all the same.
    std::shared_ptr<ImageCombinedOperation> operation;
    auto cancelled = load(url("/slow/t.png"), 0, &operation);
    ASSERT_TRUE(runUntil([&] { return s_server->hits("/slow/t.png") == 1; }));
    operation->cancel();
    s_server->release();
    EXPECT_TRUE(runUntil([&] { return m_downloader->currentDownloadCount() == 0; }));
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_EQ(cancelled->calls, 0);
}

// Annotation views had no image loading at all.
TEST_F(ViewLoading, AnnotationViewsShowThePlaceholderAtOnceThenTheImageAtItsSize)
{
    auto pin = std::make_shared<kit::AnnotationView>();
    auto placeholder = support::ImageSamples::solid(3, 3, 0xff333333);
    ImagePtr delivered;
    // The image view's two options change nothing here.
    AnnotationViewWebCache::ic_setImageWithURL(pin, url("/slow/pin.png"), placeholder,
        LoadDelayPlaceholder | LoadAvoidAutoSetImage,
        [&](auto const& image, auto const&, auto, auto const&) { delivered = image; });
    EXPECT_EQ(pin->image(), placeholder);
    EXPECT_EQ(pin->bounds().size, placeholder->size());
    EXPECT_EQ(AnnotationViewWebCache::ic_imageURL(*pin), url("/slow/pin.png"));
    ASSERT_TRUE(runUntil([&] { return s_server->hits("/slow/pin.png") == 1; }));

    // A second load replaces the first, whichever answers last.
    AnnotationViewWebCache::ic_setImageWithURL(pin, url("/img/blue.png"), placeholder, 0,
        [&](auto const& image, auto const&, auto, auto const&) { delivered = image; });
    ASSERT_TRUE(runUntil([&] { return delivered != nullptr; }));
    s_server->release();
    EXPECT_TRUE(runUntil([] { return ImageDownloader::sharedDownloader()->currentDownloadCount() == 0; }));
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_EQ(pin->image(), delivered);
    EXPECT_EQ(colourOf(pin->image()), 0xff0000ffu);
    EXPECT_EQ(pin->bounds().size, delivered->size());

    std::optional<ImageError> reported;
    AnnotationViewWebCache::setImageWithURL(pin, "", [&](auto const&, auto const& error, auto) { reported = error; });
    ASSERT_TRUE(reported);
    EXPECT_EQ(reported->code, -1);
    EXPECT_FALSE(pin->image());
    EXPECT_EQ(AnnotationViewWebCache::imageURL(*pin), "");
}

TEST_F(ViewLoading, OlderNamesReachTheCurrentLoads)
{
    auto view = std::make_shared<kit::ImageView>();
    std::optional<ImageCacheSource> source;
    ImageViewWebCache::setImageWithURL(view, url("/img/red.png"),
        [&](auto const& image, auto const& error, ImageCacheSource from) {
            EXPECT_TRUE(image && !error);
            source = from;
        });
    ASSERT_TRUE(runUntil([&] { return source.has_value(); }));
    EXPECT_EQ(colourOf(view->image()), 0xffff0000u);
    EXPECT_EQ(ImageViewWebCache::imageURL(*view), url("/img/red.png"));

    // Cancels the load of the state the button is in, not the normal one's.
    auto button = std::make_shared<kit::Button>();
    ButtonWebCache::setImageWithURL(button, url("/slow/normal.png"), kit::ControlState::Normal);
    ButtonWebCache::setImageWithURL(button, url("/slow/pressed.png"), kit::ControlState::Highlighted);
    button->setHighlighted(true);
    ButtonWebCache::cancelCurrentImageLoad(*button);
    EXPECT_EQ(ButtonWebCache::currentImageURL(*button), url("/slow/pressed.png"));
    s_server->release();
    ASSERT_TRUE(runUntil([&] { return button->imageForState(kit::ControlState::Normal) != nullptr; }));
    EXPECT_TRUE(runUntil([] { return ImageDownloader::sharedDownloader()->currentDownloadCount() == 0; }));
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_EQ(button->imageForState(kit::ControlState::Highlighted), button->imageForState(kit::ControlState::Normal));

    std::optional<bool> finished;
    m_manager->downloadWithURL(url("/img/blue.png"), 0, nullptr,
        [&](auto const& image, auto const&, auto, bool done) { finished = image && done; });
    ASSERT_TRUE(runUntil([&] { return finished.has_value(); }));
    EXPECT_TRUE(*finished);
    EXPECT_EQ(ImageDecoding::contentTypeForImageData("\x89PNG"), "image/png");
}
