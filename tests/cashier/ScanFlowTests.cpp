#include "cashier/CashierScreens.h"
#include "cashier/ScanViewController.h"
#include "platform/capture/CaptureDevice.h"
#include "platform/capture/CaptureMetadataOutput.h"
#include "platform/capture/CaptureSession.h"
#include "platform/capture/CaptureVideoPreviewLayer.h"
#include "platform/capture/MemoryFrameSource.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/kit/Button.h"
#include "platform/kit/Layer.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Renderer.h"
#include "support/ScreenTest.h"
#include "ui/BaseViewController.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

namespace {

// A screen that opens the scanner and keeps what comes back.
class CodeCatcher : public BaseViewController {
public:
    void scanCallback(const std::string& code) override { codes.push_back(code); }
    std::vector<std::string> codes;
};

class Scanner : public support::ScreenTest {
protected:
    void SetUp() override
    {
        CashierScreens::registerScreens();
        capture::CaptureDevice::setVirtualDefaultDevice(
            capture::CaptureDevice::virtualDevice("test camera", camera));
        // A screen below the caller shows when a pop goes one screen too far.
        stack = std::make_shared<kit::NavigationController>(std::make_shared<kit::ViewController>());
        harness.show(stack);
        catcher = std::make_shared<CodeCatcher>();
        stack->pushViewController(catcher, false);
        harness.runUntilIdle();
    }

    void TearDown() override
    {
        capture::CaptureDevice::setVirtualDefaultDevice(nullptr);
        capture::CaptureDevice::setDeviceDirectory("/dev");
    }

    std::shared_ptr<ScanViewController> open()
    {
        catcher->toScanUI();
        harness.runUntilIdle();
        auto scanner = std::dynamic_pointer_cast<ScanViewController>(stack->topViewController());
        if (scanner && scanner->captureSession() && !scanner->captureSession()->outputs().empty())
            callbackQueue = scanner->captureSession()->outputs().front()->metadataObjectsCallbackQueue();
        return scanner;
    }

    // Lets the camera thread, the scanner's queue and then the main loop
    // finish with everything shown to the camera so far.
    void settle()
    {
        ASSERT_TRUE(camera->waitUntilConsumed());
        if (callbackQueue)
            callbackQueue->syncFlush();
        harness.runUntilIdle();
    }

    // A portrait picture of the screen's size, white, with a Code 128
    // printed across it with its top at `top`.
    static capture::VideoFrame pictureWithCode(const std::string& text, int top)
    {
        const int width = 320, height = 568, codeWidth = 260, codeHeight = 80;
        auto bits = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::Code128)
                        .setMargin(0)
                        .encode(text, codeWidth, codeHeight);
        std::vector<std::uint8_t> luma(width * height, 255);
        for (int y = 0; y < bits.height(); ++y) {
            for (int x = 0; x < bits.width(); ++x) {
                if (bits.get(x, y))
                    luma[(top + y) * width + 40 + x] = 0;
            }
        }
        return *capture::VideoFrame::fromLuma(
            width, height, std::move(luma), capture::VideoFrame::Layout::Portrait);
    }

    // The camera reads a code and the scanner's queue takes it; the main
    // loop has not turned since, so the hand-over to it is still pending.
    void takeCodeWithoutTurning(const std::string& text)
    {
        camera->injectCode(capture::MetadataObjectType::QRCode, text);
        ASSERT_TRUE(camera->waitUntilConsumed());
        callbackQueue->sync([] {});
    }

    // A touch on back that is already on its way: its action runs on its
    // own, without the tap helper turning the loop after it.
    std::shared_ptr<kit::Button> backButton() { return harness.find<kit::Button>("btnBack"); }
    static void pressBack(kit::Button& button)
    {
        button.sendActionsForControlEvents(kit::ControlEvent::TouchUpInside);
    }

    void expectOnlyTheScannerPopped()
    {
        EXPECT_EQ(stack->topViewController().get(), catcher.get());
        EXPECT_EQ(stack->viewControllers().size(), 2u);
    }

    std::shared_ptr<capture::MemoryFrameSource> camera = std::make_shared<capture::MemoryFrameSource>();
    std::shared_ptr<CodeCatcher> catcher;
    std::shared_ptr<kit::NavigationController> stack;
    std::shared_ptr<foundation::DispatchQueue> callbackQueue;
};

TEST_F(Scanner, codes_in_quick_succession_reach_the_delegate_once_with_the_first)
{
    auto scanner = open();
    ASSERT_TRUE(scanner);
    EXPECT_EQ(callbackQueue->label(), "myQueue");
    camera->injectCode(capture::MetadataObjectType::QRCode, "first");
    camera->injectCode(capture::MetadataObjectType::Code128, "second");
    settle();

    EXPECT_EQ(catcher->codes, std::vector<std::string> { "first" });
    expectOnlyTheScannerPopped();
    EXPECT_FALSE(scanner->captureSession());
    EXPECT_FALSE(scanner->videoPreviewLayer()->superlayer());

    // The camera is off: what it would still see goes nowhere.
    camera->injectCode(capture::MetadataObjectType::QRCode, "third");
    harness.runUntilIdle();
    EXPECT_EQ(catcher->codes.size(), 1u);
}

TEST_F(Scanner, the_camera_picture_fills_the_preview_under_the_square)
{
    auto scanner = open();
    ASSERT_TRUE(scanner);
    // Two grey pictures without a code: once the second is read, the
    // first has been handed to the main thread.
    auto grey = [] {
        return *capture::VideoFrame::fromLuma(
            4, 4, std::vector<std::uint8_t>(16, 0x40), capture::VideoFrame::Layout::Portrait);
    };
    camera->pushFrame(grey());
    camera->pushFrame(grey());
    settle();
    auto picture = kit::Renderer(1).renderImage(*harness.window());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->pixelAt(160, 540), graphics::Color::fromRgb24(0x404040)) << "the picture";
    graphics::Rect square = scanner->boxView()->convertRectToView(scanner->boxView()->bounds(), nullptr);
    EXPECT_EQ(picture->pixelAt(static_cast<int>(square.minX()), static_cast<int>(square.midY())),
        graphics::Color::greenColor())
        << "the square drawn over it";
}

TEST_F(Scanner, a_code_of_every_kind_is_taken_not_only_qr)
{
    for (auto type : capture::allMetadataObjectTypes()) {
        std::string text = "code " + std::string(capture::metadataObjectTypeName(type));
        SCOPED_TRACE(text);
        ASSERT_TRUE(open());
        camera->injectCode(type, text);
        settle();
        ASSERT_FALSE(catcher->codes.empty());
        EXPECT_EQ(catcher->codes.back(), text);
        EXPECT_EQ(stack->topViewController(), catcher);
    }
    EXPECT_EQ(catcher->codes.size(), capture::allMetadataObjectTypes().size());
}

TEST_F(Scanner, only_a_code_inside_the_square_is_read_from_the_picture)
{
    auto scanner = open();
    ASSERT_TRUE(scanner);
    // Above the square: the camera sees it, the scanner must not take it.
    camera->pushFrame(pictureWithCode("ABOVE-1", 10));
    settle();
    EXPECT_TRUE(catcher->codes.empty());
    EXPECT_EQ(stack->topViewController(), scanner);

    camera->pushFrame(pictureWithCode("6901234567892", 240));
    settle();
    EXPECT_EQ(catcher->codes, std::vector<std::string> { "6901234567892" });
}

TEST_F(Scanner, the_scan_line_steps_down_and_jumps_back_after_passing_the_square)
{
    auto scanner = open();
    ASSERT_TRUE(scanner);
    double side = scanner->boxView()->frame().height();
    // Fired once at start, then every 0.2 s.
    EXPECT_DOUBLE_EQ(scanner->scanLayer()->frame().y(), 5);
    harness.advance(0.2);
    EXPECT_DOUBLE_EQ(scanner->scanLayer()->frame().y(), 10);

    int steps = 0;
    while (scanner->scanLayer()->frame().y() <= side && steps < 200) {
        harness.advance(0.2);
        ++steps;
    }
    double lowest = scanner->scanLayer()->frame().y();
    EXPECT_GT(lowest, side);
    EXPECT_LE(lowest, side + 5);
    harness.advance(0.2);
    EXPECT_DOUBLE_EQ(scanner->scanLayer()->frame().y(), 0);
}

TEST_F(Scanner, leaving_by_back_reports_nothing_and_turns_the_camera_off)
{
    auto scanner = open();
    ASSERT_TRUE(scanner);
    auto session = scanner->captureSession();
    ASSERT_TRUE(session && session->isRunning());
    EXPECT_TRUE(harness.tap("btnBack")) << harness.dumpTree();
    harness.runUntilIdle();
    EXPECT_FALSE(session->isRunning());
    camera->injectCode(capture::MetadataObjectType::QRCode, "late");
    harness.runUntilIdle();

    // No camera at all: the scanner still opens, without a picture.
    capture::CaptureDevice::setVirtualDefaultDevice(nullptr);
    capture::CaptureDevice::setDeviceDirectory(harness.home());
    scanner = open();
    ASSERT_TRUE(scanner);
    EXPECT_FALSE(scanner->captureSession());
    EXPECT_FALSE(scanner->videoPreviewLayer());
    EXPECT_EQ(harness.labelText("labelNoCamera"), ScanViewController::noCameraText)
        << "a black screen says nothing";
    EXPECT_TRUE(harness.tap("btnBack"));
    harness.runUntilIdle();
    EXPECT_EQ(stack->topViewController(), catcher);
    EXPECT_TRUE(catcher->codes.empty());
    EXPECT_FALSE(scanner->takeTypedCode("late")) << "a scanner left by back takes no typed code";

    // A hand-held scanner that types stands in for the camera, once.
    scanner = open();
    ASSERT_TRUE(scanner);
    EXPECT_FALSE(scanner->takeTypedCode(""));
    EXPECT_TRUE(scanner->takeTypedCode("6200000000001"));
    EXPECT_FALSE(scanner->takeTypedCode("6200000000002"));
    harness.runUntilIdle();
    EXPECT_EQ(catcher->codes, std::vector<std::string> { "6200000000001" });
    expectOnlyTheScannerPopped();
}

TEST_F(Scanner, a_code_and_then_back_in_one_turn_pop_once_and_report_the_code_once)
{
    ASSERT_TRUE(open());
    auto back = backButton();
    ASSERT_TRUE(back);
    ASSERT_NO_FATAL_FAILURE(takeCodeWithoutTurning("paid"));
    foundation::DispatchQueue::main()->async([back] { pressBack(*back); });
    harness.runUntilIdle();
    EXPECT_EQ(catcher->codes, std::vector<std::string> { "paid" });
    expectOnlyTheScannerPopped();
}

TEST_F(Scanner, back_before_the_code_reaches_the_screen_pops_only_the_scanner_and_reports_nothing)
{
    // The code arrives on the scanner's queue after back, before the screen
    // has disappeared: the delivery passed the camera just before it stopped.
    auto scanner = open();
    ASSERT_TRUE(scanner);
    auto session = scanner->captureSession();
    auto output = session->outputs().front();
    auto back = backButton();
    ASSERT_TRUE(back);
    pressBack(*back);
    EXPECT_FALSE(session->isRunning());
    callbackQueue->sync([&] {
        scanner->captureOutputDidOutputMetadataObjectsFromConnection(*output,
            { { capture::MetadataObjectType::QRCode, "late" } }, capture::CaptureConnection({}, output));
    });
    harness.runUntilIdle();
    EXPECT_TRUE(catcher->codes.empty());
    expectOnlyTheScannerPopped();

    // The code was taken first, but back runs before the screen acts on it.
    ASSERT_TRUE(open());
    back = backButton();
    ASSERT_TRUE(back);
    ASSERT_NO_FATAL_FAILURE(takeCodeWithoutTurning("early"));
    pressBack(*back);
    harness.runUntilIdle();
    EXPECT_TRUE(catcher->codes.empty());
    expectOnlyTheScannerPopped();
}

} // namespace
