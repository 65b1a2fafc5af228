#pragma once

#include "platform/capture/CaptureDeviceInput.h"
#include "platform/capture/CaptureMetadataOutput.h"
#include "platform/foundation/ObserverList.h"
#include "platform/foundation/Result.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace capture {

// The picture size asked of a camera; a camera may pick the nearest it has.
enum class SessionPreset { High, Medium, Low, Preset640x480, Preset1280x720, Preset1920x1080 };

// Runs a camera input's frames through its outputs on a capture thread of its
// own. Always held by std::shared_ptr: outputs look back at it.
class CaptureSession : public std::enable_shared_from_this<CaptureSession> {
public:
    CaptureSession() = default;
    ~CaptureSession();
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    SessionPreset sessionPreset() const;
    void setSessionPreset(SessionPreset preset);

    // One camera input per session.
    bool canAddInput(const std::shared_ptr<CaptureDeviceInput>& input) const;
    void addInput(const std::shared_ptr<CaptureDeviceInput>& input);
    void removeInput(const std::shared_ptr<CaptureDeviceInput>& input);
    std::vector<std::shared_ptr<CaptureDeviceInput>> inputs() const;
    bool hasVideoInput() const;

    // An output belongs to one session at a time.
    bool canAddOutput(const std::shared_ptr<CaptureMetadataOutput>& output) const;
    void addOutput(const std::shared_ptr<CaptureMetadataOutput>& output);
    void removeOutput(const std::shared_ptr<CaptureMetadataOutput>& output);
    std::vector<std::shared_ptr<CaptureMetadataOutput>> outputs() const;

    // Starting opens the camera; if it cannot be opened the session stays
    // stopped and lastRuntimeError() says why. Stopping waits for the capture
    // thread to end; deliveries still queued then are dropped, so none reach a
    // delegate that has been told the camera stopped.
    void startRunning();
    void stopRunning();
    bool isRunning() const;
    std::optional<foundation::Error> lastRuntimeError() const;

    // Every picture the session reads, on its capture thread, before the
    // outputs look for codes in it: what a preview shows.
    using FrameObserver = std::function<void(const std::shared_ptr<const VideoFrame>& frame)>;
    [[nodiscard]] foundation::Subscription observeFrames(FrameObserver observer);

private:
    using RunToken = std::shared_ptr<std::atomic<bool>>;

    // Input changes take effect at once on a running session.
    void restartIfRunning();
    void startCaptureLocked(std::unique_lock<std::mutex>& lock);
    [[nodiscard]] std::jthread stopCaptureLocked();
    void captureLoop(std::stop_token stop, std::shared_ptr<FrameSource> source, RunToken run,
        std::shared_ptr<CaptureDeviceInput> input);

    mutable std::mutex m_mutex;
    SessionPreset m_preset { SessionPreset::High };
    std::shared_ptr<CaptureDeviceInput> m_input;
    std::vector<std::shared_ptr<CaptureMetadataOutput>> m_outputs;
    bool m_running { false };
    std::optional<foundation::Error> m_lastRuntimeError;
    RunToken m_run;
    foundation::ObserverList<std::shared_ptr<const VideoFrame>> m_frameObservers;
    // Declared last: it must end before the members it reads go away.
    std::jthread m_captureThread;
};

} // namespace capture
