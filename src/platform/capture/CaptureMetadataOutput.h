#pragma once

#include "platform/capture/CaptureConnection.h"
#include "platform/capture/CaptureMetadataOutputObjectsDelegate.h"
#include "platform/capture/FrameSource.h"
#include "platform/graphics/Geometry.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace foundation {
class DispatchQueue;
}

namespace capture {

class CaptureSession;

// Reads codes from a session's frames and reports them to a delegate on a
// queue of the delegate's choosing. Settings may change from any thread while
// the session runs; each frame is read with the settings of that moment.
class CaptureMetadataOutput : public std::enable_shared_from_this<CaptureMetadataOutput> {
public:
    // The delegate is held weakly: one that is gone is not called. A delegate
    // given without a queue is called on the main queue.
    void setMetadataObjectsDelegate(std::weak_ptr<CaptureMetadataOutputObjectsDelegate> delegate,
        std::shared_ptr<foundation::DispatchQueue> queue);
    std::shared_ptr<CaptureMetadataOutputObjectsDelegate> metadataObjectsDelegate() const;
    std::shared_ptr<foundation::DispatchQueue> metadataObjectsCallbackQueue() const;

    // Every kind once the output belongs to a session with a camera input;
    // nothing before.
    std::vector<MetadataObjectType> availableMetadataObjectTypes() const;
    std::vector<MetadataObjectType> metadataObjectTypes() const;
    // Refused (false, nothing changes) when a kind is not available yet.
    bool setMetadataObjectTypes(std::vector<MetadataObjectType> types);

    // Normalised on the camera's landscape picture; the whole picture at first.
    // Rectangles that are not numbers are refused.
    graphics::Rect rectOfInterest() const;
    void setRectOfInterest(const graphics::Rect& rect);

    // Waits until every delivery that any output has queued so far has run or
    // been dropped; on the main thread the main loop keeps turning meanwhile.
    // With MemoryFrameSource::waitUntilConsumed() it lets a scripted run or a
    // test know a code it showed the camera has reached the delegate.
    static void waitForPendingDeliveries();

private:
    friend class CaptureSession;
    using RunToken = std::shared_ptr<const std::atomic<bool>>;

    void attachToSession(std::weak_ptr<const CaptureSession> session);
    void detachFromSession();
    bool isAttached() const;
    // On the capture thread: reads the sample and queues a delivery when it
    // holds codes of the wanted kinds. A delivery whose run has ended by the
    // time the queue gets to it is dropped.
    void processSample(const CaptureSample& sample, const RunToken& run, const CaptureConnection& connection);

    mutable std::mutex m_mutex;
    std::weak_ptr<const CaptureSession> m_session;
    bool m_attached { false };
    std::weak_ptr<CaptureMetadataOutputObjectsDelegate> m_delegate;
    std::shared_ptr<foundation::DispatchQueue> m_queue;
    std::vector<MetadataObjectType> m_metadataObjectTypes;
    graphics::Rect m_rectOfInterest { 0, 0, 1, 1 };
};

} // namespace capture
