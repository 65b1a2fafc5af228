#pragma once

#include "platform/capture/CaptureMetadataOutputObjectsDelegate.h"
#include "platform/kit/ViewController.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

namespace capture {
class CaptureSession;
class CaptureVideoPreviewLayer;
} // namespace capture
namespace foundation {
class Timer;
}
namespace kit {
class Label;
class Layer;
class View;
} // namespace kit
class ScanViewControllerDelegate;

// The app's one code scanner: shows the camera with a framing square and a
// moving line, takes the first code the camera reads, closes itself and
// hands the code to its delegate.
class ScanViewController : public kit::ViewController, public capture::CaptureMetadataOutputObjectsDelegate {
public:
    static constexpr std::string_view nibName = "ScanViewController";
    static constexpr const char* callbackQueueLabel = "myQueue";
    static constexpr double scanLineInterval = 0.2;
    static constexpr double scanLineStep = 5;
    static constexpr double scanLineStepDuration = 0.1;
    // Shown over the preview when there is no picture to show.
    static constexpr std::string_view noCameraText = "没有找到可用的摄像头";
    static constexpr std::string_view cameraFailedText = "摄像头无法打开，请检查后重试";
    // Under either: the scanner also takes a code typed on a keyboard.
    static constexpr std::string_view typeCodeText = "也可用扫码枪或键盘输入条码，按回车确认";

    ~ScanViewController() override;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    bool shouldAutorotate() const override { return false; }

    void back();
    // A hand-held scanner types what it reads, then Return, as at shop
    // counters: its code is taken as the camera's would be. False once the
    // wait is over (a code taken, or back pressed).
    bool takeTypedCode(const std::string& code);

    // Keys typed with no field in edit (a hand-held scanner's, or a
    // person's) make up the code on a line under the viewfinder
    // (`labelTypedCode`), so that what Return sends is what the staff see:
    // the whole code, smaller as it grows down to typedCodeSmallestFont;
    // past that its tail, where the typing is, after "…". Only the digits
    // and letters a code holds are taken, the others dropped, up to
    // maximumTypedCode: at that length a note under the line says so
    // (`labelTypedCodeLimit`), and turns red when a key is refused.
    // Backspace takes the last one back, Escape clears the line. Each is
    // false when it changed nothing, as once the wait is over.
    static constexpr std::size_t maximumTypedCode = 64;
    static constexpr double typedCodeFont = 22;
    static constexpr double typedCodeSmallestFont = 12;
    static std::string typedCodeLimitText() { return "最多" + std::to_string(maximumTypedCode) + "位"; }
    bool typeCode(std::string_view text);
    bool deleteTypedBackward();
    bool clearTypedCode();
    // Return: the code shown is taken as read; false for an empty line.
    bool sendTypedCode();
    const std::string& typedCode() const { return m_typedCode; }
    // False when the camera cannot be opened: the screen then stays without
    // a picture until the user goes back.
    bool startReading();
    void stopReading();
    void moveScanLayer();

    // Runs on the "myQueue" queue, not the main thread.
    void captureOutputDidOutputMetadataObjectsFromConnection(capture::CaptureMetadataOutput& output,
        const std::vector<capture::MetadataMachineReadableCodeObject>& metadataObjects,
        const capture::CaptureConnection& connection) override;

    void setScanControllerDelegate(std::weak_ptr<ScanViewControllerDelegate> delegate)
    {
        m_scanControllerDelegate = std::move(delegate);
    }
    std::shared_ptr<ScanViewControllerDelegate> scanControllerDelegate() const
    {
        return m_scanControllerDelegate.lock();
    }
    // Written once, by the delivery that ends the wait, before it hands
    // over to the main thread; read only there afterwards.
    const std::string& code() const { return m_code; }
    bool isReading() const { return m_reading.load() == Reading::Waiting; }
    const std::shared_ptr<kit::View>& viewPreview() const { return m_viewPreview; }
    const std::shared_ptr<capture::CaptureSession>& captureSession() const { return m_captureSession; }
    const std::shared_ptr<capture::CaptureVideoPreviewLayer>& videoPreviewLayer() const
    {
        return m_videoPreviewLayer;
    }
    const std::shared_ptr<kit::View>& boxView() const { return m_boxView; }
    const std::shared_ptr<kit::Layer>& scanLayer() const { return m_scanLayer; }
    const std::shared_ptr<kit::Label>& labelTypedCode() const { return m_labelTypedCode; }
    const std::shared_ptr<kit::Label>& labelTypedCodeLimit() const { return m_labelTypedCodeLimit; }

private:
    // One value for who ended the wait, so the camera's queue and the back
    // button settle it in a single exchange and the loser can tell.
    enum class Reading { Off, Waiting, CodeTaken };

    void initBackButton();
    void showTypedCode(bool refused = false);
    void showCameraTrouble(std::string_view text);
    void stopCamera();
    bool endWaiting(Reading how);
    bool isTopOfStack();
    std::shared_ptr<ScanViewController> selfScan()
    {
        return std::static_pointer_cast<ScanViewController>(shared_from_this());
    }

    std::weak_ptr<ScanViewControllerDelegate> m_scanControllerDelegate;
    std::string m_code;
    std::atomic<Reading> m_reading { Reading::Off };
    std::shared_ptr<kit::View> m_viewPreview;
    std::shared_ptr<capture::CaptureSession> m_captureSession;
    std::shared_ptr<capture::CaptureVideoPreviewLayer> m_videoPreviewLayer;
    std::shared_ptr<kit::View> m_boxView;
    std::shared_ptr<kit::Layer> m_scanLayer;
    std::shared_ptr<foundation::Timer> m_scanLineTimer;
    std::string m_typedCode;
    std::shared_ptr<kit::Label> m_labelTypedCode;
    std::shared_ptr<kit::Label> m_labelTypedCodeLimit;
};
