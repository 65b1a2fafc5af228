#pragma once

#include "platform/capture/FrameSource.h"
#include "platform/foundation/Result.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>

namespace capture {

// A camera fed by hand: frames, pictures and ready-made codes pushed from any
// thread are handed to the session in order. It backs the stand-in camera of
// scripted runs and of tests; it can outlive sessions and serve one after another.
class MemoryFrameSource final : public FrameSource {
public:
    enum class Placement {
        // The frame is all the camera sees; only its rectangle of interest is read.
        WholeView,
        // The frame is held up inside the scanner's square and is read whole.
        InsideRectOfInterest,
    };

    void pushFrame(VideoFrame frame, Placement placement = Placement::WholeView);
    // Reads the picture now, so a bad file is reported to the caller and queues nothing.
    foundation::Result<void> pushImageFile(
        const std::filesystem::path& path, Placement placement = Placement::WholeView);
    // A code shown to the camera, delivered as it is without reading a picture.
    void injectCode(MetadataObjectType type, std::string stringValue);

    size_t pendingCount() const;

    // Waits until everything pushed has been taken and fully handled, which is
    // when the session comes back for more. False if that did not happen in time
    // (no session is reading).
    bool waitUntilConsumed(std::chrono::milliseconds limit = std::chrono::seconds(20));

    std::optional<CaptureSample> nextSample(std::stop_token stop) override;

private:
    void push(CaptureSample sample);

    mutable std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::deque<CaptureSample> m_pending;
    int m_waitingReaders { 0 };
};

} // namespace capture
