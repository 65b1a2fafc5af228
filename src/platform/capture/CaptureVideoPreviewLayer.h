#pragma once

#include "platform/foundation/Subscription.h"
#include "platform/kit/Layer.h"

#include <memory>

namespace graphics {
class Image;
}

namespace capture {

class CaptureSession;
class VideoFrame;

enum class LayerVideoGravity { Resize, ResizeAspect, ResizeAspectFill };

// Where the camera picture goes in the view tree: the layer shows the last
// picture its session read, upright as the camera took it, laid out by its
// gravity. Pictures are converted on the capture thread and reach the layer
// on the main thread, the newest one only when several came in meanwhile.
// Until the first picture the layer is a dark fill.
class CaptureVideoPreviewLayer : public kit::Layer {
public:
    static std::shared_ptr<CaptureVideoPreviewLayer> layerWithSession(
        std::shared_ptr<CaptureSession> session);

    explicit CaptureVideoPreviewLayer(std::shared_ptr<CaptureSession> session);
    ~CaptureVideoPreviewLayer();
    CaptureVideoPreviewLayer(const CaptureVideoPreviewLayer&) = delete;
    CaptureVideoPreviewLayer& operator=(const CaptureVideoPreviewLayer&) = delete;

    // Kept alive by the layer, as the picture it shows needs the session running.
    const std::shared_ptr<CaptureSession>& session() const { return m_session; }
    void setSession(std::shared_ptr<CaptureSession> session);

    LayerVideoGravity videoGravity() const { return m_videoGravity; }
    void setVideoGravity(LayerVideoGravity gravity);

    // A grey picture for the screen, taking every n-th pixel so that neither
    // side is much over `maximumSide` (a full camera picture is more than a
    // phone-sized preview can show).
    static std::shared_ptr<const graphics::Image> previewImage(const VideoFrame& frame, int maximumSide);
    static constexpr int previewMaximumSide = 1280;

    struct Inbox;

private:
    void watch();

    std::shared_ptr<CaptureSession> m_session;
    LayerVideoGravity m_videoGravity { LayerVideoGravity::ResizeAspect };
    std::shared_ptr<Inbox> m_inbox;
    foundation::Subscription m_frames;
};

} // namespace capture
