#include "platform/capture/CaptureVideoPreviewLayer.h"

#include "platform/capture/CaptureSession.h"
#include "platform/graphics/Color.h"

#include <utility>

namespace capture {

std::shared_ptr<CaptureVideoPreviewLayer> CaptureVideoPreviewLayer::layerWithSession(
    std::shared_ptr<CaptureSession> session)
{
    return std::make_shared<CaptureVideoPreviewLayer>(std::move(session));
}

CaptureVideoPreviewLayer::CaptureVideoPreviewLayer(std::shared_ptr<CaptureSession> session)
    : m_session(std::move(session))
{
    setBackgroundColor(graphics::Color(0.08, 0.08, 0.08, 1));
}

} // namespace capture
