#pragma once

#include "platform/capture/FrameSource.h"
#include "platform/foundation/Result.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace capture {

enum class MediaType { Video, Audio };

// A camera: a video device of the kernel, or a stand-in camera backed by a
// frame source (scripted runs, tests). The stand-in, when one is installed,
// is the default video device.
class CaptureDevice {
public:
    // nullptr when there is no camera: no stand-in and no video device node that
    // can capture. There are never audio devices.
    static std::shared_ptr<CaptureDevice> defaultDeviceWithMediaType(MediaType mediaType);

    static std::shared_ptr<CaptureDevice> virtualDevice(
        std::string name, std::shared_ptr<FrameSource> source);
    // nullptr removes the stand-in.
    static void setVirtualDefaultDevice(std::shared_ptr<CaptureDevice> device);
    // Where device nodes are looked for; /dev unless tests say otherwise.
    static void setDeviceDirectory(std::filesystem::path directory);

    const std::string& uniqueID() const { return m_uniqueID; }
    const std::string& localizedName() const { return m_localizedName; }
    bool hasMediaType(MediaType mediaType) const { return mediaType == MediaType::Video; }

    // Whether the camera can be opened by this process now (it exists, and the
    // user may use it).
    foundation::Result<void> checkAccess() const;
    // A source for one run of a session. A device node is opened anew each time;
    // a stand-in camera hands out its one source.
    foundation::Result<std::shared_ptr<FrameSource>> openFrameSource(
        int preferredWidth, int preferredHeight) const;

    struct Private { };
    CaptureDevice(Private, std::string uniqueID, std::string localizedName,
        std::optional<std::filesystem::path> node, std::shared_ptr<FrameSource> source);

private:
    std::string m_uniqueID;
    std::string m_localizedName;
    std::optional<std::filesystem::path> m_node;
    std::shared_ptr<FrameSource> m_source;
};

} // namespace capture
