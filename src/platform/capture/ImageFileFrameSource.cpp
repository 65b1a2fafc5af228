#include "platform/capture/ImageFileFrameSource.h"

#include <utility>

namespace capture {

ImageFileFrameSource::ImageFileFrameSource(VideoFrame frame)
    : m_frame(std::make_shared<const VideoFrame>(std::move(frame)))
{
}

foundation::Result<std::shared_ptr<ImageFileFrameSource>> ImageFileFrameSource::open(
    const std::filesystem::path& path)
{
    auto frame = TRY(VideoFrame::fromImageFile(path));
    return std::make_shared<ImageFileFrameSource>(std::move(frame));
}

std::optional<CaptureSample> ImageFileFrameSource::nextSample(std::stop_token stop)
{
    if (stop.stop_requested() || !m_frame)
        return std::nullopt;
    return CaptureSample { std::exchange(m_frame, nullptr), {}, false };
}

} // namespace capture
