#include "platform/capture/ImageFileFrameSource.h"

#include <utility>

namespace capture {

ImageFileFrameSource::ImageFileFrameSource(VideoFrame frame)
    : m_frame(std::move(frame))
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
    CaptureSample sample { std::move(m_frame), {}, false };
    m_frame.reset();
    return sample;
}

} // namespace capture
