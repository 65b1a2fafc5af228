#pragma once

#include "platform/kit/Layer.h"

#include <memory>

namespace capture {

class CaptureSession;

enum class LayerVideoGravity { Resize, ResizeAspect, ResizeAspectFill };

// Where the camera picture goes in the view tree. The renderer shows it as a
// dark fill: live pictures are not drawn.
class CaptureVideoPreviewLayer : public kit::Layer {
public:
    static std::shared_ptr<CaptureVideoPreviewLayer> layerWithSession(
        std::shared_ptr<CaptureSession> session);

    explicit CaptureVideoPreviewLayer(std::shared_ptr<CaptureSession> session);

    // Kept alive by the layer, as the picture it shows needs the session running.
    const std::shared_ptr<CaptureSession>& session() const { return m_session; }
    void setSession(std::shared_ptr<CaptureSession> session) { m_session = std::move(session); }

    LayerVideoGravity videoGravity() const { return m_videoGravity; }
    void setVideoGravity(LayerVideoGravity gravity) { m_videoGravity = gravity; }

private:
    std::shared_ptr<CaptureSession> m_session;
    LayerVideoGravity m_videoGravity { LayerVideoGravity::ResizeAspect };
};

} // namespace capture
