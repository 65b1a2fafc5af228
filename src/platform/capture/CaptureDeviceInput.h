#pragma once

#include "platform/capture/CaptureDevice.h"
#include "platform/foundation/Result.h"

#include <memory>
#include <optional>

namespace capture {

// A camera as a session's input.
class CaptureDeviceInput {
public:
    // nullptr, with the reason in `error` when asked for, when there is no
    // device or it cannot be used.
    static std::shared_ptr<CaptureDeviceInput> deviceInputWithDevice(
        const std::shared_ptr<CaptureDevice>& device, std::optional<foundation::Error>* error = nullptr);

    const std::shared_ptr<CaptureDevice>& device() const { return m_device; }

    struct Private { };
    CaptureDeviceInput(Private, std::shared_ptr<CaptureDevice> device);

private:
    std::shared_ptr<CaptureDevice> m_device;
};

} // namespace capture
