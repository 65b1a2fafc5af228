#include "platform/capture/CaptureDevice.h"
#include "platform/capture/CaptureDeviceInput.h"
#include "platform/capture/CaptureMetadataOutput.h"
#include "platform/capture/CaptureSession.h"
#include "platform/capture/CaptureVideoPreviewLayer.h"
#include "platform/capture/CodeReader.h"
#include "platform/capture/ImageFileFrameSource.h"
#include "platform/capture/MemoryFrameSource.h"
#include "platform/capture/V4L2FrameSource.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>
#include <atomic>
#include <cairo.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <latch>
#include <linux/videodev2.h>
#include <map>
#include <mutex>
#include <set>
#include <unistd.h>

using namespace capture;
using Code = MetadataMachineReadableCodeObject;
using ZXing::BarcodeFormat;

namespace {

// A white sheet with codes printed on it by the reader library's own writer.
class Sheet {
public:
    Sheet(int width, int height)
        : m_width(width)
        , m_height(height)
        , m_luma(static_cast<size_t>(width) * height, 255)
    {
    }

    Sheet& print(BarcodeFormat format, const std::string& text, int x, int y, int width, int height)
    {
        auto matrix = ZXing::MultiFormatWriter(format).setMargin(0).encode(text, width, height);
        for (int my = 0; my < matrix.height(); ++my) {
            for (int mx = 0; mx < matrix.width(); ++mx) {
                if (matrix.get(mx, my) && x + mx < m_width && y + my < m_height)
                    m_luma[static_cast<size_t>(y + my) * m_width + x + mx] = 0;
            }
        }
        return *this;
    }

    VideoFrame frame(VideoFrame::Layout layout = VideoFrame::Layout::Portrait) const
    {
        return *VideoFrame::fromLuma(m_width, m_height, m_luma, layout);
    }

    void writePng(const std::filesystem::path& path) const
    {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, m_width, m_height);
        cairo_surface_flush(surface);
        unsigned char* data = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < m_height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
            for (int x = 0; x < m_width; ++x) {
                uint32_t v = m_luma[static_cast<size_t>(y) * m_width + x];
                row[x] = 0xff000000u | (v << 16) | (v << 8) | v;
            }
        }
        cairo_surface_mark_dirty(surface);
        cairo_surface_write_to_png(surface, path.c_str());
        cairo_surface_destroy(surface);
    }

private:
    int m_width;
    int m_height;
    std::vector<uint8_t> m_luma;
};

VideoFrame codeFrame(BarcodeFormat format, const std::string& text)
{
    bool linear = format != BarcodeFormat::QRCode && format != BarcodeFormat::Aztec;
    return Sheet(320, 240).print(format, text, 30, 40, 260, linear ? 80 : 160).frame();
}

class Recorder final : public CaptureMetadataOutputObjectsDelegate {
public:
    struct Log {
        std::mutex mutex;
        std::vector<std::vector<Code>> deliveries;
        int offMainThread { 0 };
    };

    explicit Recorder(std::shared_ptr<Log> log)
        : m_log(std::move(log))
    {
    }

    void captureOutputDidOutputMetadataObjectsFromConnection(
        CaptureMetadataOutput&, const std::vector<Code>& objects, const CaptureConnection&) override
    {
        std::lock_guard lock(m_log->mutex);
        m_log->deliveries.push_back(objects);
        if (!foundation::DispatchQueue::isMainThread())
            ++m_log->offMainThread;
    }

private:
    std::shared_ptr<Log> m_log;
};

class TempDirectory {
public:
    TempDirectory()
        : m_path(std::filesystem::temp_directory_path()
            / ("capture-test-" + std::to_string(getpid()) + "-" + std::to_string(++s_count)))
    {
        std::filesystem::create_directories(m_path);
    }
    ~TempDirectory() { std::filesystem::remove_all(m_path); }
    const std::filesystem::path& path() const { return m_path; }

private:
    static inline int s_count = 0;
    std::filesystem::path m_path;
};

class CaptureSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().useVirtualClock();
        auto input = CaptureDeviceInput::deviceInputWithDevice(
            CaptureDevice::virtualDevice("test camera", m_source));
        ASSERT_TRUE(input);
        m_session->addInput(input);
        m_session->addOutput(m_output);
        ASSERT_TRUE(m_output->setMetadataObjectTypes(allMetadataObjectTypes()));
        m_output->setMetadataObjectsDelegate(m_recorder, m_queue);
        m_session->startRunning();
        ASSERT_TRUE(m_session->isRunning());
    }
    void TearDown() override
    {
        m_session->stopRunning();
        // A test that stopped half-way must not leave a worker blocked for ever.
        if (!m_release.try_wait())
            releaseQueue();
        m_queue->syncFlush();
    }

    // Everything pushed so far has been read and its deliveries have run.
    std::vector<std::vector<Code>> settle()
    {
        EXPECT_TRUE(m_source->waitUntilConsumed());
        m_queue->syncFlush();
        std::lock_guard lock(m_log->mutex);
        return std::exchange(m_log->deliveries, {});
    }

    // Holds the delivery queue until released, so deliveries pile up behind it.
    void blockQueue()
    {
        m_queue->async([this] { m_release.wait(); });
    }
    void releaseQueue() { m_release.count_down(); }

    std::shared_ptr<MemoryFrameSource> m_source { std::make_shared<MemoryFrameSource>() };
    std::shared_ptr<CaptureSession> m_session { std::make_shared<CaptureSession>() };
    std::shared_ptr<CaptureMetadataOutput> m_output { std::make_shared<CaptureMetadataOutput>() };
    std::shared_ptr<foundation::DispatchQueue> m_queue { foundation::DispatchQueue::createSerial("myQueue") };
    std::shared_ptr<Recorder::Log> m_log { std::make_shared<Recorder::Log>() };
    std::shared_ptr<Recorder> m_recorder { std::make_shared<Recorder>(m_log) };
    std::latch m_release { 1 };
};

TEST_F(CaptureSessionTest, codes_of_every_printable_kind_arrive_in_frame_order_off_the_main_thread)
{
    const std::vector<std::pair<BarcodeFormat, Code>> printed {
        { BarcodeFormat::QRCode, Code(MetadataObjectType::QRCode, "https://pay.example/q/130012345678") },
        { BarcodeFormat::Code128, Code(MetadataObjectType::Code128, "286012345678901234") },
        { BarcodeFormat::EAN13, Code(MetadataObjectType::EAN13, "6901234567892") },
        { BarcodeFormat::EAN8, Code(MetadataObjectType::EAN8, "96385074") },
        { BarcodeFormat::UPCE, Code(MetadataObjectType::UPCE, "01234565") },
        { BarcodeFormat::Code39, Code(MetadataObjectType::Code39, "CARD-42") },
        { BarcodeFormat::Code93, Code(MetadataObjectType::Code93, "ORDER93") },
        { BarcodeFormat::PDF417, Code(MetadataObjectType::PDF417, "member 1024") },
        { BarcodeFormat::Aztec, Code(MetadataObjectType::AztecCode, "PASS-7788") },
    };
    for (const auto& [format, code] : printed)
        m_source->pushFrame(codeFrame(format, code.stringValue()));

    auto deliveries = settle();
    ASSERT_EQ(deliveries.size(), printed.size());
    for (size_t i = 0; i < printed.size(); ++i)
        EXPECT_EQ(deliveries[i], std::vector<Code> { printed[i].second }) << i;
    EXPECT_EQ(m_log->offMainThread, static_cast<int>(printed.size()));
}

TEST_F(CaptureSessionTest, frames_without_a_wanted_code_deliver_nothing)
{
    m_source->pushFrame(Sheet(320, 240).frame());
    m_source->injectCode(MetadataObjectType::QRCode, "");
    auto deliveries = settle();
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0], std::vector<Code> { Code(MetadataObjectType::QRCode, "") });

    ASSERT_TRUE(m_output->setMetadataObjectTypes({ MetadataObjectType::EAN13 }));
    m_source->pushFrame(codeFrame(BarcodeFormat::QRCode, "not asked for"));
    m_source->injectCode(MetadataObjectType::Code128, "not asked for either");
    m_source->pushFrame(codeFrame(BarcodeFormat::EAN13, "6901234567892"));
    deliveries = settle();
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0], std::vector<Code> { Code(MetadataObjectType::EAN13, "6901234567892") });
}

TEST_F(CaptureSessionTest, rect_of_interest_hides_codes_outside_it)
{
    // A portrait picture: the rectangle's x runs down it, its y across it.
    Sheet sheet(240, 400);
    sheet.print(BarcodeFormat::QRCode, "top left", 10, 10, 110, 110);
    sheet.print(BarcodeFormat::QRCode, "bottom right", 120, 270, 110, 110);

    m_output->setRectOfInterest({ 0.5, 0.4, 0.5, 0.6 });
    m_source->pushFrame(sheet.frame());
    auto bottom = settle();
    ASSERT_EQ(bottom.size(), 1u);
    EXPECT_EQ(bottom[0], std::vector<Code> { Code(MetadataObjectType::QRCode, "bottom right") });

    m_output->setRectOfInterest({ 0, 0, 0.4, 0.55 });
    m_source->pushFrame(sheet.frame());
    auto top = settle();
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0], std::vector<Code> { Code(MetadataObjectType::QRCode, "top left") });

    // A picture held up inside the square is read whole, wherever its code sits.
    m_source->pushFrame(Sheet(240, 400).print(BarcodeFormat::QRCode, "held up", 120, 270, 110, 110).frame(),
        MemoryFrameSource::Placement::InsideRectOfInterest);
    auto heldUp = settle();
    ASSERT_EQ(heldUp.size(), 1u);
    EXPECT_EQ(heldUp[0], std::vector<Code> { Code(MetadataObjectType::QRCode, "held up") });

    // A camera's landscape frame takes the rectangle on its own axes.
    Sheet landscape(400, 240);
    landscape.print(BarcodeFormat::QRCode, "landscape", 270, 115, 110, 110);
    m_output->setRectOfInterest({ 0.6, 0.4, 0.4, 0.6 });
    m_source->pushFrame(landscape.frame(VideoFrame::Layout::Landscape));
    m_source->pushFrame(landscape.frame(VideoFrame::Layout::Portrait));
    auto both = settle();
    ASSERT_EQ(both.size(), 1u);
    EXPECT_EQ(both[0], std::vector<Code> { Code(MetadataObjectType::QRCode, "landscape") });
}

TEST_F(CaptureSessionTest, stopped_session_reads_and_delivers_nothing_more)
{
    // A delivery still queued when the camera stops must not arrive afterwards.
    blockQueue();
    m_source->pushFrame(codeFrame(BarcodeFormat::QRCode, "queued before stop"));
    ASSERT_TRUE(m_source->waitUntilConsumed());
    m_session->stopRunning();
    releaseQueue();
    m_source->pushFrame(codeFrame(BarcodeFormat::QRCode, "after stop"));
    m_queue->syncFlush();
    EXPECT_FALSE(m_session->isRunning());
    EXPECT_EQ(m_source->pendingCount(), 1u);
    EXPECT_TRUE(m_log->deliveries.empty());

    m_session->startRunning();
    auto deliveries = settle();
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0][0].stringValue(), "after stop");
}

TEST_F(CaptureSessionTest, delegate_that_is_gone_is_not_called)
{
    blockQueue();
    m_source->pushFrame(codeFrame(BarcodeFormat::Code128, "1300001"));
    ASSERT_TRUE(m_source->waitUntilConsumed());
    m_recorder.reset();
    releaseQueue();
    m_source->pushFrame(codeFrame(BarcodeFormat::Code128, "1300002"));
    EXPECT_TRUE(settle().empty());
}

// A scanner screen closed while its delivery runs must not be destroyed on
// the delivery queue: screens live and die on the main thread.
TEST_F(CaptureSessionTest, delegate_released_during_its_delivery_dies_on_the_main_thread)
{
    class Closing final : public CaptureMetadataOutputObjectsDelegate {
    public:
        Closing(std::latch& entered, std::latch& released, std::atomic<int>& diedOffMain)
            : m_entered(entered)
            , m_released(released)
            , m_diedOffMain(diedOffMain)
        {
        }
        ~Closing() override
        {
            if (!foundation::DispatchQueue::isMainThread())
                ++m_diedOffMain;
        }
        void captureOutputDidOutputMetadataObjectsFromConnection(
            CaptureMetadataOutput&, const std::vector<Code>&, const CaptureConnection&) override
        {
            m_entered.count_down();
            m_released.wait();
        }

    private:
        std::latch& m_entered;
        std::latch& m_released;
        std::atomic<int>& m_diedOffMain;
    };

    std::latch entered { 1 };
    std::latch released { 1 };
    std::atomic<int> diedOffMain { 0 };
    auto screen = std::make_shared<Closing>(entered, released, diedOffMain);
    m_output->setMetadataObjectsDelegate(screen, m_queue);
    m_source->injectCode(MetadataObjectType::QRCode, "1300001");
    entered.wait();
    screen.reset();
    released.count_down();
    m_queue->syncFlush();
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_EQ(diedOffMain.load(), 0);
}

TEST_F(CaptureSessionTest, pictures_and_injected_codes_reach_the_delegate)
{
    TempDirectory directory;
    auto picture = directory.path() / "code.png";
    Sheet(300, 300).print(BarcodeFormat::Code128, "286677889900112233", 20, 100, 260, 80).writePng(picture);
    std::ofstream(directory.path() / "broken.png") << "\x89PNG not really";

    ASSERT_TRUE(m_source->pushImageFile(picture).isOk());
    EXPECT_TRUE(m_source->pushImageFile(directory.path() / "broken.png").isError());
    EXPECT_TRUE(m_source->pushImageFile(directory.path() / "missing.jpg").isError());
    m_source->injectCode(MetadataObjectType::Code39Mod43, "VIP0001");

    // What a scripted run does: it knows neither the session nor the queue.
    ASSERT_TRUE(m_source->waitUntilConsumed());
    CaptureMetadataOutput::waitForPendingDeliveries();
    std::lock_guard lock(m_log->mutex);
    ASSERT_EQ(m_log->deliveries.size(), 2u);
    EXPECT_EQ(
        m_log->deliveries[0], std::vector<Code> { Code(MetadataObjectType::Code128, "286677889900112233") });
    EXPECT_EQ(m_log->deliveries[1], std::vector<Code> { Code(MetadataObjectType::Code39Mod43, "VIP0001") });

    // A camera held over one picture sees it once.
    auto still = ImageFileFrameSource::open(picture);
    ASSERT_TRUE(still.isOk());
    std::stop_source stop;
    EXPECT_TRUE(still.value()->nextSample(stop.get_token()));
    EXPECT_FALSE(still.value()->nextSample(stop.get_token()));
    EXPECT_TRUE(ImageFileFrameSource::open(directory.path() / "broken.png").isError());
}

TEST_F(CaptureSessionTest, preview_shows_the_pictures_the_session_reads_on_the_main_thread)
{
    auto preview = CaptureVideoPreviewLayer::layerWithSession(m_session);
    std::vector<std::uint8_t> luma { 0, 64, 128, 255, 10, 20, 30, 40 };
    m_source->pushFrame(*VideoFrame::fromLuma(4, 2, luma, VideoFrame::Layout::Landscape));
    // Read only after the picture before it was handed over.
    m_source->injectCode(MetadataObjectType::QRCode, "after the picture");
    ASSERT_TRUE(m_source->waitUntilConsumed());
    EXPECT_FALSE(preview->contents()) << "the layer changes on the main thread only";
    foundation::RunLoop::main().runUntilIdle();
    ASSERT_TRUE(preview->contents());
    EXPECT_EQ(preview->contents()->pixelWidth(), 4);
    EXPECT_EQ(preview->contents()->pixelAt(2, 0), graphics::Color::fromRgb24(0x808080));
    EXPECT_EQ(preview->contents()->pixelAt(3, 0), graphics::Color::white());

    // A camera's full picture is thinned out to what a screen can show.
    auto wide = *VideoFrame::fromLuma(
        2600, 4, std::vector<std::uint8_t>(2600 * 4, 200), VideoFrame::Layout::Landscape);
    auto thinned = CaptureVideoPreviewLayer::previewImage(wide, 1280);
    EXPECT_EQ(thinned->pixelWidth(), 867);
    EXPECT_EQ(thinned->pixelHeight(), 2);
}

TEST_F(CaptureSessionTest, swapping_the_camera_of_a_running_session_reads_the_new_one)
{
    m_session->removeInput(m_session->inputs().at(0));
    auto other = std::make_shared<MemoryFrameSource>();
    m_session->addInput(
        CaptureDeviceInput::deviceInputWithDevice(CaptureDevice::virtualDevice("other", other)));
    ASSERT_TRUE(m_session->isRunning());

    m_source->pushFrame(codeFrame(BarcodeFormat::QRCode, "old camera"));
    other->pushFrame(codeFrame(BarcodeFormat::QRCode, "new camera"));
    ASSERT_TRUE(other->waitUntilConsumed());
    m_queue->syncFlush();
    EXPECT_EQ(m_source->pendingCount(), 1u);
    ASSERT_EQ(m_log->deliveries.size(), 1u);
    EXPECT_EQ(m_log->deliveries[0][0].stringValue(), "new camera");
}

TEST(CaptureDeviceTest, no_camera_means_no_device_and_no_input)
{
    TempDirectory directory;
    // Neither a plain file nor a folder under a camera's name is a camera.
    std::ofstream(directory.path() / "video0") << "not a device";
    std::filesystem::create_directory(directory.path() / "video1");
    CaptureDevice::setVirtualDefaultDevice(nullptr);
    CaptureDevice::setDeviceDirectory(directory.path());

    auto device = CaptureDevice::defaultDeviceWithMediaType(MediaType::Video);
    std::optional<foundation::Error> error;
    auto input = CaptureDeviceInput::deviceInputWithDevice(device, &error);
    CaptureDevice::setDeviceDirectory("/dev");

    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(input, nullptr);
    EXPECT_TRUE(error.has_value());
}

TEST(CaptureDeviceTest, camera_that_cannot_stream_leaves_the_session_stopped)
{
    TempDirectory directory;
    auto node = directory.path() / "video0";
    std::ofstream(node) << "opens, but is no camera";
    auto device
        = std::make_shared<CaptureDevice>(CaptureDevice::Private {}, node.string(), "fake", node, nullptr);
    auto input = CaptureDeviceInput::deviceInputWithDevice(device);
    ASSERT_TRUE(input);

    auto session = std::make_shared<CaptureSession>();
    session->addInput(input);
    session->startRunning();
    EXPECT_FALSE(session->isRunning());
    EXPECT_TRUE(session->lastRuntimeError().has_value());
}

TEST(CaptureDeviceTest, code_kinds_need_a_session_with_a_camera)
{
    auto output = std::make_shared<CaptureMetadataOutput>();
    auto session = std::make_shared<CaptureSession>();
    EXPECT_FALSE(output->setMetadataObjectTypes({ MetadataObjectType::QRCode }));

    session->addOutput(output);
    EXPECT_TRUE(output->availableMetadataObjectTypes().empty());
    EXPECT_FALSE(session->canAddOutput(output));
    EXPECT_FALSE(std::make_shared<CaptureSession>()->canAddOutput(output));

    auto input = CaptureDeviceInput::deviceInputWithDevice(
        CaptureDevice::virtualDevice("camera", std::make_shared<MemoryFrameSource>()));
    session->addInput(input);
    EXPECT_FALSE(session->canAddInput(input));
    EXPECT_EQ(output->availableMetadataObjectTypes().size(), 10u);
    EXPECT_TRUE(output->setMetadataObjectTypes({ MetadataObjectType::QRCode, MetadataObjectType::EAN13 }));

    // An output outlives its session without pointing at it.
    session.reset();
    EXPECT_TRUE(output->availableMetadataObjectTypes().empty());
}

TEST(CodeReaderTest, code39_check_character_is_only_cut_when_mod43_alone_is_wanted)
{
    // A=10, B=11, C=12: 33 mod 43 is 'X'.
    auto checked = codeFrame(BarcodeFormat::Code39, "ABCX");
    auto unchecked = codeFrame(BarcodeFormat::Code39, "ABCD");
    const graphics::Rect all { 0, 0, 1, 1 };
    const std::vector<MetadataObjectType> mod43 { MetadataObjectType::Code39Mod43 };
    const std::vector<MetadataObjectType> both { MetadataObjectType::Code39Mod43,
        MetadataObjectType::Code39 };

    EXPECT_EQ(CodeReader::read(checked, all, mod43),
        std::vector<Code> { Code(MetadataObjectType::Code39Mod43, "ABC") });
    EXPECT_TRUE(CodeReader::read(unchecked, all, mod43).empty());
    EXPECT_EQ(
        CodeReader::read(checked, all, both), std::vector<Code> { Code(MetadataObjectType::Code39, "ABCX") });
}

TEST(CodeReaderTest, camera_buffers_keep_only_luma_and_skip_row_padding)
{
    // Two YUYV rows of two pixels, each row padded to six bytes.
    const std::vector<uint8_t> yuyv { 10, 128, 20, 128, 0xee, 0xee, 30, 128, 40, 128, 0xee, 0xee };
    auto frame = V4L2FrameSource::frameFromBuffer(V4L2_PIX_FMT_YUYV, 2, 2, 6, yuyv);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->luma(), (std::vector<uint8_t> { 10, 20, 30, 40 }));
    EXPECT_EQ(frame->layout(), VideoFrame::Layout::Landscape);

    // The last row needs no padding; one byte less is a dropped frame.
    EXPECT_TRUE(V4L2FrameSource::frameFromBuffer(V4L2_PIX_FMT_YUYV, 2, 2, 6, std::span(yuyv).first(10)));
    EXPECT_FALSE(V4L2FrameSource::frameFromBuffer(V4L2_PIX_FMT_YUYV, 2, 2, 6, std::span(yuyv).first(9)));
    EXPECT_FALSE(V4L2FrameSource::frameFromBuffer(V4L2_PIX_FMT_MJPEG, 2, 2, 0, yuyv));
    EXPECT_FALSE(V4L2FrameSource::frameFromBuffer(V4L2_PIX_FMT_GREY, -2, 2, 0, yuyv));
}

TEST(CodeReaderTest, malformed_frames_and_rectangles_read_nothing)
{
    EXPECT_FALSE(VideoFrame::fromLuma(4, 4, std::vector<uint8_t>(15), VideoFrame::Layout::Landscape));
    EXPECT_FALSE(VideoFrame::fromLuma(0, 0, {}, VideoFrame::Layout::Landscape));
    EXPECT_FALSE(
        VideoFrame::fromLuma(100000, 1, std::vector<uint8_t>(100000), VideoFrame::Layout::Landscape));

    auto frame = codeFrame(BarcodeFormat::QRCode, "inside");
    const auto& types = allMetadataObjectTypes();
    double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(CodeReader::read(frame, { nan, 0, 1, 1 }, types).empty());
    EXPECT_TRUE(CodeReader::read(frame, { 1.5, 1.5, 1, 1 }, types).empty());
    EXPECT_TRUE(CodeReader::read(frame, { 0, 0, 1, 1 }, {}).empty());
    // A rectangle spilling over the edges is clipped, not refused.
    EXPECT_EQ(CodeReader::read(frame, { -1, -1, 3, 3 }, types).size(), 1u);
}

// Scanning from a file that is no picture said only PNG and JPEG were read,
// long after TIFF, WebP and GIF were too: the message names every format a
// picture of which reads, and nothing else.
TEST(CodeReaderTest, a_file_that_is_no_picture_is_refused_naming_the_formats_that_are_read)
{
    auto const path = std::filesystem::temp_directory_path() / ("not-a-picture-" + std::to_string(::getpid()));
    std::ofstream(path) << "GIF87 but no picture";
    auto const refused = VideoFrame::fromImageFile(path);
    std::filesystem::remove(path);
    ASSERT_FALSE(refused);
    auto const message = refused.error().message();
    EXPECT_NE(message.find(path.string()), std::string::npos) << message;

    std::map<std::string, std::string> const names { { ".png", "PNG" }, { ".jpg", "JPEG" }, { ".tif", "TIFF" },
        { ".webp", "WebP" }, { ".gif", "GIF" } };
    std::set<std::string> read;
    for (auto const& item : std::filesystem::directory_iterator(IMAGE_SEEDS)) {
        auto const name = names.find(item.path().extension().string());
        ASSERT_NE(name, names.end()) << item.path() << ": a picture of a format the test does not know";
        ASSERT_TRUE(VideoFrame::fromImageFile(item.path())) << item.path();
        read.insert(name->second);
    }
    EXPECT_EQ(read.size(), names.size());
    for (auto const& format : read)
        EXPECT_NE(message.find(format), std::string::npos) << format << " is read but not named: " << message;
    // Named and read are one list: no more names than formats.
    EXPECT_EQ(std::count(message.begin(), message.end(), ',') + 2, static_cast<long>(read.size())) << message;
}

} // namespace
