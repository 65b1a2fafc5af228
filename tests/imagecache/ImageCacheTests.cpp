#include "LoopbackFixture.h"
#include "imagecache/ImageDecoding.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Operation.h"
#include "platform/kit/Application.h"
#include "platform/kit/Screen.h"

#include <fstream>
#include <limits>

using namespace imagecache;
using support::ImageSamples;

namespace {

// Disk work finishes on the cache's queue and reports on the main thread.
class ImageCacheDisk : public LoopbackFixture {
protected:
    void settle()
    {
        bool done = false;
        m_cache->calculateSizeWithCompletionBlock([&](auto, auto) { done = true; });
        ASSERT_TRUE(runUntil([&] { return done; }));
    }
    std::string fileBytes(const std::string& key)
    {
        std::ifstream in(m_cache->defaultCachePathForKey(key), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void write(const std::string& name, std::size_t size, std::chrono::hours age)
    {
        auto const path = m_cache->diskCachePath() / name;
        std::ofstream(path, std::ios::binary) << std::string(size, 'x');
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - age);
    }
};

} // namespace

TEST_F(ImageCacheDisk, KeysThatDifferOnlyInCaseGetTheirOwnFilesWithoutExtension)
{
    auto const a = ImageCache::cachedFileNameForKey("http://h/A.png");
    auto const b = ImageCache::cachedFileNameForKey("http://h/a.png");
    EXPECT_NE(a, b);
    EXPECT_EQ(a.size(), 32u);
    EXPECT_EQ(a.find('.'), std::string::npos);
    EXPECT_EQ(ImageCache::cachedFileNameForKey(""), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST_F(ImageCacheDisk, StoredBytesKeepTheirFormatAndReencodedOnesFollowAlpha)
{
    std::string const png = ImageSamples::png(2, 2, 0xff00ff00);
    m_cache->storeImage(ImageSamples::solid(2, 2, 0xff00ff00), true, png, "png", true);
    m_cache->storeImage(ImageSamples::solid(2, 2, 0xff00ff00), "opaque");
    m_cache->storeImage(ImageSamples::solid(2, 2, 0x80000080), "translucent");
    settle();
    EXPECT_TRUE(fileBytes("png").starts_with("\x89PNG"));
    EXPECT_TRUE(fileBytes("opaque").starts_with("\xff\xd8"));
    EXPECT_TRUE(fileBytes("translucent").starts_with("\x89PNG"));
    // Written beside the final name and renamed: nothing half-done stays.
    for (auto const& entry : std::filesystem::directory_iterator(m_cache->diskCachePath()))
        EXPECT_EQ(entry.path().filename().string().size(), 32u) << entry.path();
}

TEST_F(ImageCacheDisk, CleaningRemovesOldFilesThenTheOldestOverTheSizeLimit)
{
    std::filesystem::create_directories(m_cache->diskCachePath());
    write("eight-days", 10, std::chrono::hours(24 * 8));
    write("six-days", 10, std::chrono::hours(24 * 6));
    bool cleaned = false;
    m_cache->cleanDiskWithCompletionBlock([&] { cleaned = true; });
    ASSERT_TRUE(runUntil([&] { return cleaned; }));
    EXPECT_FALSE(std::filesystem::exists(m_cache->diskCachePath() / "eight-days"));
    EXPECT_TRUE(std::filesystem::exists(m_cache->diskCachePath() / "six-days"));

    // Sizes are allocated blocks: a 4 KiB-block file system counts each small
    // file as 4096 bytes.
    std::filesystem::remove(m_cache->diskCachePath() / "six-days");
    for (int hour = 1; hour <= 4; ++hour)
        write("file" + std::to_string(hour), 100, std::chrono::hours(hour));
    std::uint64_t const block = m_cache->getSize() > 0 ? 4096 : 0;
    m_cache->setMaxCacheSize(3 * block);
    cleaned = false;
    m_cache->cleanDiskWithCompletionBlock([&] { cleaned = true; });
    ASSERT_TRUE(runUntil([&] { return cleaned; }));
    // Four blocks are over three; the oldest go until under one and a half.
    EXPECT_FALSE(std::filesystem::exists(m_cache->diskCachePath() / "file4"));
    EXPECT_FALSE(std::filesystem::exists(m_cache->diskCachePath() / "file3"));
    EXPECT_FALSE(std::filesystem::exists(m_cache->diskCachePath() / "file2"));
    EXPECT_TRUE(std::filesystem::exists(m_cache->diskCachePath() / "file1"));
}

// An age past the clock's reach once wrapped round to a date to come, and
// the next cleaning deleted everything.
TEST_F(ImageCacheDisk, AnAgeOfCenturiesExpiresNothing)
{
    std::filesystem::create_directories(m_cache->diskCachePath());
    write("a-year", 10, std::chrono::hours(24 * 365));
    write("an-hour", 10, std::chrono::hours(1));
    for (std::int64_t const age : { std::int64_t(400) * 365 * 24 * 3600, std::numeric_limits<std::int64_t>::max() }) {
        m_cache->setMaxCacheAge(age);
        bool cleaned = false;
        m_cache->cleanDiskWithCompletionBlock([&] { cleaned = true; });
        ASSERT_TRUE(runUntil([&] { return cleaned; }));
        EXPECT_TRUE(std::filesystem::exists(m_cache->diskCachePath() / "a-year")) << age;
        EXPECT_TRUE(std::filesystem::exists(m_cache->diskCachePath() / "an-hour")) << age;
    }
    // The most negative age still means every file is old.
    m_cache->setMaxCacheAge(std::numeric_limits<std::int64_t>::min());
    bool cleaned = false;
    m_cache->cleanDiskWithCompletionBlock([&] { cleaned = true; });
    ASSERT_TRUE(runUntil([&] { return cleaned; }));
    EXPECT_EQ(m_cache->getDiskCount(), 0u);
}

TEST_F(ImageCacheDisk, ClearingEmptiesTheFolderButNeverWhatLinksPointAt)
{
    auto const outside = m_directory / "outside";
    std::filesystem::create_directories(outside);
    std::ofstream(outside / "keep") << "mine";
    m_cache->storeImage(ImageSamples::solid(1, 1, 0xff000000), "key");
    settle();
    std::filesystem::create_directory_symlink(outside, m_cache->diskCachePath() / "link");
    bool cleared = false;
    m_cache->clearDiskOnCompletion([&] { cleared = true; });
    ASSERT_TRUE(runUntil([&] { return cleared; }));
    EXPECT_TRUE(std::filesystem::exists(outside / "keep"));
    EXPECT_TRUE(std::filesystem::is_directory(m_cache->diskCachePath()));
    EXPECT_EQ(m_cache->getDiskCount(), 0u);
}

TEST_F(ImageCacheDisk, QueryCancelledBeforeTheReadNeverAnswers)
{
    m_cache->storeImage(ImageSamples::solid(1, 1, 0xff000000), "key");
    m_cache->clearMemory();
    settle();
    // A large picture to encode keeps the disk queue busy until the cancel.
    m_cache->storeImage(ImageSamples::solid(1500, 1500, 0xff102030), "busy");
    bool answered = false;
    auto query = m_cache->queryDiskCacheForKey("key", [&](auto, auto) { answered = true; });
    ASSERT_TRUE(query);
    query->cancel();
    settle();
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_FALSE(answered);
    EXPECT_TRUE(m_cache->imageFromDiskCacheForKey("key"));
}

TEST_F(ImageCacheDisk, MemoryHasACostLimitAndEmptiesOnAMemoryWarning)
{
    EXPECT_GT(m_cache->maxMemoryCost(), 0u);
    m_cache->storeImage(ImageSamples::solid(1, 1, 0xff000000), "kept", false);
    EXPECT_TRUE(m_cache->imageFromMemoryCacheForKey("kept"));
    foundation::NotificationCenter::defaultCenter().postNotificationName(
        kit::Application::didReceiveMemoryWarningNotification);
    EXPECT_FALSE(m_cache->imageFromMemoryCacheForKey("kept"));
}

TEST(ImageDecoding, KeysNameTheScaleOnlyWhenLongEnough)
{
    kit::Screen::mainScreen().configure(kit::Screen::defaultSize, 3);
    auto image = ImageSamples::solid(2, 2, 0xff000000);
    EXPECT_EQ(ScaledImageForKey("a/b@2x.png", image)->scale(), 2.0);
    EXPECT_EQ(ScaledImageForKey("@2x.png", image)->scale(), 3.0);
    // Eight bytes, but six characters: too short to name a scale.
    EXPECT_EQ(ScaledImageForKey("\u00e9\u00e9@2x.", image)->scale(), 3.0);
    EXPECT_EQ(ScaledImageForKey("x@2x.@3x.png", image)->scale(), 3.0);
    EXPECT_EQ(ScaledImageForKey("plain.png", image)->scale(), 3.0);
    kit::Screen::mainScreen().reset();
}

TEST(ImageDecoding, GifsBecomeStillOrTimedAnimations)
{
    auto still = ImageDecoding::ic_imageWithData(ImageSamples::gif(2, 2, { { .width = 2, .height = 2 } }));
    ASSERT_TRUE(still);
    EXPECT_TRUE(still->images().empty());
    auto zero = ImageDecoding::ic_imageWithData(ImageSamples::gif(2, 2,
        { { .width = 2, .height = 2, .delay = 0 }, { .width = 2, .height = 2, .delay = 0 },
            { .width = 2, .height = 2, .delay = 0 } }));
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->images().size(), 3u);
    EXPECT_NEAR(zero->duration(), 0.3, 1e-6);
    EXPECT_EQ(ImageDecoding::ic_contentTypeForImageData(std::string("RIFF\0\0\0\0WEBP", 12)), "image/webp");
    EXPECT_FALSE(ImageDecoding::ic_imageWithData(std::string("RIFF\0\0\0\0WEBP", 12)));
}

// Frames shorter than 0.011 s play for 0.1 s, as browsers play them; the
// threshold could move either way without a test noticing.
TEST(ImageDecoding, FramesShorterThanElevenMillisecondsPlayForATenth)
{
    EXPECT_NEAR(ImageDecoding::ic_frameDuration(0.0109), 0.1, 1e-6);
    EXPECT_NEAR(ImageDecoding::ic_frameDuration(0.011), 0.011, 1e-6);
    EXPECT_NEAR(ImageDecoding::ic_frameDuration(std::nullopt), 0.1, 1e-6);
    // In a file: one centisecond is too short, two are played as written.
    auto const animation = ImageDecoding::ic_imageWithData(ImageSamples::gif(
        2, 2, { { .width = 2, .height = 2, .delay = 1 }, { .width = 2, .height = 2, .delay = 2 } }));
    ASSERT_TRUE(animation);
    EXPECT_NEAR(animation->duration(), 0.12, 1e-6);
}

TEST(ImageDecoding, ScalingAnAnimationClearsBetweenFramesAndSurvivesZeroSizes)
{
    kit::Screen::mainScreen().configure(kit::Screen::defaultSize, 1);
    // Frame 1 is opaque red; frame 2 is transparent but for one blue pixel.
    auto frames = ImageDecoding::ic_imageWithData(ImageSamples::gif(2, 2,
        { { .width = 2, .height = 2, .colour = 1, .disposal = 2, .delay = 10 },
            { .width = 1, .height = 1, .colour = 3, .delay = 10 } }));
    ASSERT_TRUE(frames);
    auto scaled = ImageDecoding::ic_animatedImageByScalingAndCroppingToSize(frames, { 4, 4 });
    ASSERT_TRUE(scaled);
    ASSERT_EQ(scaled->images().size(), 2u);
    EXPECT_EQ(scaled->images()[1]->pixelAt(3, 3).premultipliedArgb(), 0u);
    EXPECT_EQ(scaled->images()[0]->pixelAt(3, 3).premultipliedArgb(), 0xffff0000u);

    auto empty = graphics::Image::animated({ ImageSamples::solid(1, 1, 0) }, 1);
    EXPECT_EQ(ImageDecoding::ic_animatedImageByScalingAndCroppingToSize(empty, { 0, 0 }), empty);
    kit::Screen::mainScreen().reset();
}
