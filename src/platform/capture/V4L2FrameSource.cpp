#include "platform/capture/V4L2FrameSource.h"

#include "platform/graphics/Image.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <span>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace capture {

namespace {

int xioctl(int fd, unsigned long request, void* argument)
{
    int result;
    do {
        result = ioctl(fd, request, argument);
    } while (result == -1 && errno == EINTR);
    return result;
}

foundation::Error systemError(const std::string& what)
{
    return foundation::Error(what + ": " + std::strerror(errno));
}

std::uint32_t captureCapabilities(const v4l2_capability& caps)
{
    return (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
}

bool canStreamVideo(const v4l2_capability& caps)
{
    std::uint32_t c = captureCapabilities(caps);
    return (c & V4L2_CAP_VIDEO_CAPTURE) && (c & V4L2_CAP_STREAMING);
}

// "video12" -> 12; -1 for anything else.
int deviceNumber(const std::string& name)
{
    constexpr std::string_view prefix = "video";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    int number = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || number > 100000)
            return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

} // namespace

std::vector<V4L2FrameSource::DeviceInfo> V4L2FrameSource::discover(const std::filesystem::path& directory)
{
    std::vector<std::pair<int, DeviceInfo>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        int number = deviceNumber(entry.path().filename().string());
        if (number < 0)
            continue;
        int fd = ::open(entry.path().c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        v4l2_capability caps {};
        if (xioctl(fd, VIDIOC_QUERYCAP, &caps) == 0 && canStreamVideo(caps)) {
            std::string card(reinterpret_cast<const char*>(caps.card),
                strnlen(reinterpret_cast<const char*>(caps.card), sizeof caps.card));
            found.push_back({ number, { entry.path(), card } });
        }
        ::close(fd);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<DeviceInfo> devices;
    for (auto& [number, info] : found)
        devices.push_back(std::move(info));
    return devices;
}

V4L2FrameSource::V4L2FrameSource(Private, int fd, int wakeFd)
    : m_fd(fd)
    , m_wakeFd(wakeFd)
{
}

V4L2FrameSource::~V4L2FrameSource()
{
    if (m_streaming) {
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        xioctl(m_fd, VIDIOC_STREAMOFF, &type);
    }
    for (const Buffer& buffer : m_buffers)
        munmap(buffer.start, buffer.length);
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

foundation::Result<std::shared_ptr<V4L2FrameSource>> V4L2FrameSource::open(
    const std::filesystem::path& path, int preferredWidth, int preferredHeight)
{
    int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return systemError("cannot open " + path.string());
    int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        auto error = systemError("cannot make a wake-up descriptor");
        ::close(fd);
        return error;
    }
    auto source = std::make_shared<V4L2FrameSource>(Private {}, fd, wakeFd);
    TRY(source->configure(preferredWidth, preferredHeight));
    TRY(source->startStreaming());
    return source;
}

foundation::Result<void> V4L2FrameSource::configure(int preferredWidth, int preferredHeight)
{
    v4l2_capability caps {};
    if (xioctl(m_fd, VIDIOC_QUERYCAP, &caps) != 0)
        return systemError("not a video device");
    if (!canStreamVideo(caps))
        return foundation::Error("the device cannot stream video");

    // YUYV first: its luma needs no decoding.
    for (std::uint32_t wanted : { V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_GREY }) {
        v4l2_format format {};
        format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        format.fmt.pix.width = static_cast<std::uint32_t>(preferredWidth);
        format.fmt.pix.height = static_cast<std::uint32_t>(preferredHeight);
        format.fmt.pix.pixelformat = wanted;
        format.fmt.pix.field = V4L2_FIELD_NONE;
        if (xioctl(m_fd, VIDIOC_S_FMT, &format) != 0) {
            if (errno == EBUSY)
                return systemError("the camera is in use");
            continue;
        }
        if (format.fmt.pix.pixelformat != wanted)
            continue;
        m_pixelFormat = wanted;
        m_width = static_cast<int>(format.fmt.pix.width);
        m_height = static_cast<int>(format.fmt.pix.height);
        m_bytesPerLine = static_cast<int>(format.fmt.pix.bytesperline);
        if (m_width <= 0 || m_height <= 0 || m_width > VideoFrame::maximumSide
            || m_height > VideoFrame::maximumSide)
            return foundation::Error("the device offers an unusable frame size");
        return {};
    }
    return foundation::Error("the device offers no YUYV, MJPEG or grey frames");
}

foundation::Result<void> V4L2FrameSource::startStreaming()
{
    v4l2_requestbuffers request {};
    request.count = 4;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (xioctl(m_fd, VIDIOC_REQBUFS, &request) != 0 || request.count == 0)
        return systemError("the device gives no capture buffers");
    for (std::uint32_t i = 0; i < request.count; ++i) {
        v4l2_buffer buffer {};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = i;
        if (xioctl(m_fd, VIDIOC_QUERYBUF, &buffer) != 0)
            return systemError("cannot query a capture buffer");
        void* start = mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, buffer.m.offset);
        if (start == MAP_FAILED)
            return systemError("cannot map a capture buffer");
        m_buffers.push_back({ start, buffer.length });
        if (xioctl(m_fd, VIDIOC_QBUF, &buffer) != 0)
            return systemError("cannot queue a capture buffer");
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(m_fd, VIDIOC_STREAMON, &type) != 0)
        return systemError("cannot start streaming");
    m_streaming = true;
    return {};
}

std::optional<VideoFrame> V4L2FrameSource::frameFromBuffer(
    std::uint32_t pixelFormat, int width, int height, int bytesPerLine, std::span<const std::uint8_t> bytes)
{
    if (pixelFormat == V4L2_PIX_FMT_MJPEG) {
        auto image = graphics::Image::fromData(bytes);
        if (!image)
            return std::nullopt;
        return VideoFrame::fromImage(*image, VideoFrame::Layout::Landscape);
    }
    if (pixelFormat != V4L2_PIX_FMT_YUYV && pixelFormat != V4L2_PIX_FMT_GREY)
        return std::nullopt;
    if (width <= 0 || height <= 0 || width > VideoFrame::maximumSide || height > VideoFrame::maximumSide)
        return std::nullopt;
    // YUYV keeps luma in every other byte.
    size_t bytesPerPixel = pixelFormat == V4L2_PIX_FMT_YUYV ? 2 : 1;
    size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    size_t stride = std::max(static_cast<size_t>(std::max(bytesPerLine, 0)), rowBytes);
    if (bytes.size() < stride * static_cast<size_t>(height - 1) + rowBytes)
        return std::nullopt;
    std::vector<std::uint8_t> luma(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (size_t y = 0; y < static_cast<size_t>(height); ++y) {
        const std::uint8_t* row = bytes.data() + stride * y;
        for (size_t x = 0; x < static_cast<size_t>(width); ++x)
            luma[y * static_cast<size_t>(width) + x] = row[x * bytesPerPixel];
    }
    return VideoFrame::fromLuma(width, height, std::move(luma), VideoFrame::Layout::Landscape);
}

std::optional<CaptureSample> V4L2FrameSource::nextSample(std::stop_token stop)
{
    std::stop_callback wake(stop, [this] {
        std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(m_wakeFd, &one, sizeof one);
    });
    while (!stop.stop_requested()) {
        pollfd fds[2] = { { m_fd, POLLIN, 0 }, { m_wakeFd, POLLIN, 0 } };
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (stop.stop_requested())
            break;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))
            return std::nullopt; // Unplugged.
        if (!(fds[0].revents & POLLIN))
            continue;
        v4l2_buffer buffer {};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        if (xioctl(m_fd, VIDIOC_DQBUF, &buffer) != 0) {
            if (errno == EAGAIN)
                continue;
            return std::nullopt;
        }
        std::shared_ptr<const VideoFrame> frame;
        if (buffer.index < m_buffers.size() && !(buffer.flags & V4L2_BUF_FLAG_ERROR)) {
            size_t used = std::min<size_t>(buffer.bytesused, m_buffers[buffer.index].length);
            if (auto converted = frameFromBuffer(m_pixelFormat, m_width, m_height, m_bytesPerLine,
                    { static_cast<const std::uint8_t*>(m_buffers[buffer.index].start), used }))
                frame = std::make_shared<const VideoFrame>(std::move(*converted));
        }
        if (xioctl(m_fd, VIDIOC_QBUF, &buffer) != 0)
            return std::nullopt;
        if (frame)
            return CaptureSample { std::move(frame), {}, false };
    }
    return std::nullopt;
}

} // namespace capture
