#pragma once

#include "platform/capture/FrameSource.h"
#include "platform/foundation/Result.h"

#include <filesystem>
#include <memory>

namespace capture {

// A camera pointed at one still picture: the session gets it once, then the
// source is done.
class ImageFileFrameSource final : public FrameSource {
public:
    static foundation::Result<std::shared_ptr<ImageFileFrameSource>> open(const std::filesystem::path& path);

    std::optional<CaptureSample> nextSample(std::stop_token stop) override;

    explicit ImageFileFrameSource(VideoFrame frame);

private:
    std::shared_ptr<const VideoFrame> m_frame;
};

} // namespace capture
