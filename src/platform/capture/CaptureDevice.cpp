#include "platform/capture/CaptureDevice.h"

#include "platform/capture/V4L2FrameSource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <utility>

namespace capture {

namespace {

struct Registry {
    std::mutex mutex;
    std::shared_ptr<CaptureDevice> virtualDevice;
    std::filesystem::path deviceDirectory { "/dev" };
};

Registry& registry()
{
    static Registry shared;
    return shared;
}

} // namespace

CaptureDevice::CaptureDevice(Private, std::string uniqueID, std::string localizedName,
    std::optional<std::filesystem::path> node, std::shared_ptr<FrameSource> source)
    : m_uniqueID(std::move(uniqueID))
    , m_localizedName(std::move(localizedName))
    , m_node(std::move(node))
    , m_source(std::move(source))
{
}

std::shared_ptr<CaptureDevice> CaptureDevice::defaultDeviceWithMediaType(MediaType mediaType)
{
    if (mediaType != MediaType::Video)
        return nullptr;
    std::filesystem::path directory;
    {
        std::lock_guard lock(registry().mutex);
        if (registry().virtualDevice)
            return registry().virtualDevice;
        directory = registry().deviceDirectory;
    }
    auto devices = V4L2FrameSource::discover(directory);
    if (devices.empty())
        return nullptr;
    auto& first = devices.front();
    return std::make_shared<CaptureDevice>(Private {}, first.path.string(), first.name, first.path, nullptr);
}

std::shared_ptr<CaptureDevice> CaptureDevice::virtualDevice(
    std::string name, std::shared_ptr<FrameSource> source)
{
    if (!source)
        return nullptr;
    std::string id = "virtual:" + name;
    return std::make_shared<CaptureDevice>(
        Private {}, std::move(id), std::move(name), std::nullopt, std::move(source));
}

void CaptureDevice::setVirtualDefaultDevice(std::shared_ptr<CaptureDevice> device)
{
    std::lock_guard lock(registry().mutex);
    registry().virtualDevice = std::move(device);
}

void CaptureDevice::setDeviceDirectory(std::filesystem::path directory)
{
    std::lock_guard lock(registry().mutex);
    registry().deviceDirectory = std::move(directory);
}

foundation::Result<void> CaptureDevice::checkAccess() const
{
    if (!m_node)
        return {};
    int fd = ::open(m_node->c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return foundation::Error("cannot use the camera " + m_localizedName + ": " + std::strerror(errno));
    ::close(fd);
    return {};
}

foundation::Result<std::shared_ptr<FrameSource>> CaptureDevice::openFrameSource(
    int preferredWidth, int preferredHeight) const
{
    if (!m_node)
        return m_source;
    auto source = TRY(V4L2FrameSource::open(*m_node, preferredWidth, preferredHeight));
    return std::shared_ptr<FrameSource>(std::move(source));
}

} // namespace capture
