#include "platform/capture/CaptureVideoPreviewLayer.h"

#include "platform/capture/CaptureSession.h"
#include "platform/capture/VideoFrame.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace capture {

// Hands pictures from the capture thread to the layer. `layer` is read and
// cleared on the main thread only, where the layer also dies.
struct CaptureVideoPreviewLayer::Inbox {
    std::mutex mutex;
    std::shared_ptr<const graphics::Image> latest;
    bool delivering = false;
    CaptureVideoPreviewLayer* layer = nullptr;
};

namespace {

kit::ContentsGravity gravityOfContents(LayerVideoGravity gravity)
{
    switch (gravity) {
    case LayerVideoGravity::Resize:
        return kit::ContentsGravity::Resize;
    case LayerVideoGravity::ResizeAspectFill:
        return kit::ContentsGravity::ResizeAspectFill;
    case LayerVideoGravity::ResizeAspect:
        break;
    }
    return kit::ContentsGravity::ResizeAspect;
}

} // namespace

std::shared_ptr<CaptureVideoPreviewLayer> CaptureVideoPreviewLayer::layerWithSession(
    std::shared_ptr<CaptureSession> session)
{
    return std::make_shared<CaptureVideoPreviewLayer>(std::move(session));
}

CaptureVideoPreviewLayer::CaptureVideoPreviewLayer(std::shared_ptr<CaptureSession> session)
    : m_session(std::move(session))
    , m_inbox(std::make_shared<Inbox>())
{
    m_inbox->layer = this;
    setBackgroundColor(graphics::Color(0.08, 0.08, 0.08, 1));
    setContentsGravity(gravityOfContents(m_videoGravity));
    watch();
}

CaptureVideoPreviewLayer::~CaptureVideoPreviewLayer()
{
    m_frames.reset();
    m_inbox->layer = nullptr;
}

void CaptureVideoPreviewLayer::setSession(std::shared_ptr<CaptureSession> session)
{
    m_session = std::move(session);
    watch();
}

void CaptureVideoPreviewLayer::setVideoGravity(LayerVideoGravity gravity)
{
    m_videoGravity = gravity;
    setContentsGravity(gravityOfContents(gravity));
}

void CaptureVideoPreviewLayer::watch()
{
    m_frames.reset();
    if (!m_session)
        return;
    std::weak_ptr<Inbox> weakInbox = m_inbox;
    m_frames = m_session->observeFrames([weakInbox](const std::shared_ptr<const VideoFrame>& frame) {
        auto inbox = weakInbox.lock();
        if (!inbox || !frame)
            return;
        auto image = previewImage(*frame, previewMaximumSide);
        {
            std::lock_guard lock(inbox->mutex);
            inbox->latest = std::move(image);
            // One delivery on its way takes whatever picture is newest then.
            if (std::exchange(inbox->delivering, true))
                return;
        }
        foundation::RunLoop::main().post([weakInbox] {
            auto inbox = weakInbox.lock();
            if (!inbox)
                return;
            std::shared_ptr<const graphics::Image> image;
            {
                std::lock_guard lock(inbox->mutex);
                image = std::move(inbox->latest);
                inbox->delivering = false;
            }
            if (inbox->layer && image)
                inbox->layer->setContents(std::move(image));
        });
    });
}

std::shared_ptr<const graphics::Image> CaptureVideoPreviewLayer::previewImage(
    const VideoFrame& frame, int maximumSide)
{
    int longest = std::max(frame.width(), frame.height());
    int step = maximumSide > 0 ? std::max(1, (longest + maximumSide - 1) / maximumSide) : 1;
    int width = (frame.width() + step - 1) / step;
    int height = (frame.height() + step - 1) / step;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const auto& luma = frame.luma();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = luma.data() + static_cast<std::size_t>(y) * step * frame.width();
        std::uint32_t* out = pixels.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            std::uint32_t grey = row[static_cast<std::size_t>(x) * step];
            out[x] = 0xff000000u | grey << 16 | grey << 8 | grey;
        }
    }
    return graphics::Image::fromPixels(width, height, std::move(pixels), 1.0, false);
}

} // namespace capture
