#pragma once

#include "platform/capture/FrameSource.h"
#include "platform/foundation/Result.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace capture {

// A video capture device of the kernel's video interface, streaming through
// memory-mapped buffers. Frames arrive as YUYV, MJPEG or grey and are handed on
// as grey landscape frames.
class V4L2FrameSource final : public FrameSource {
public:
    struct DeviceInfo {
        std::filesystem::path path;
        std::string name;
    };
    // The /dev/video* entries of `directory` that can capture and stream, in
    // device number order. Nodes that are not devices, or only output or carry
    // metadata, are left out.
    static std::vector<DeviceInfo> discover(const std::filesystem::path& directory);

    static foundation::Result<std::shared_ptr<V4L2FrameSource>> open(
        const std::filesystem::path& path, int preferredWidth, int preferredHeight);

    std::optional<CaptureSample> nextSample(std::stop_token stop) override;

    // One filled capture buffer as a grey landscape frame; nullopt when the
    // buffer is short (the device dropped part of the frame) or undecodable.
    static std::optional<VideoFrame> frameFromBuffer(std::uint32_t pixelFormat, int width, int height,
        int bytesPerLine, std::span<const std::uint8_t> bytes);

    struct Private { };
    V4L2FrameSource(Private, int fd, int wakeFd);
    ~V4L2FrameSource() override;
    V4L2FrameSource(const V4L2FrameSource&) = delete;
    V4L2FrameSource& operator=(const V4L2FrameSource&) = delete;

private:
    struct Buffer {
        void* start { nullptr };
        size_t length { 0 };
    };

    foundation::Result<void> configure(int preferredWidth, int preferredHeight);
    foundation::Result<void> startStreaming();

    int m_fd;
    int m_wakeFd;
    std::uint32_t m_pixelFormat { 0 };
    int m_width { 0 };
    int m_height { 0 };
    int m_bytesPerLine { 0 };
    std::vector<Buffer> m_buffers;
    bool m_streaming { false };
};

} // namespace capture
