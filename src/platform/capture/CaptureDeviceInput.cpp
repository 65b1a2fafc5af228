#include "platform/capture/CaptureDeviceInput.h"

#include <utility>

namespace capture {

CaptureDeviceInput::CaptureDeviceInput(Private, std::shared_ptr<CaptureDevice> device)
    : m_device(std::move(device))
{
}

std::shared_ptr<CaptureDeviceInput> CaptureDeviceInput::deviceInputWithDevice(
    const std::shared_ptr<CaptureDevice>& device, std::optional<foundation::Error>* error)
{
    auto fail = [error](foundation::Error reason) -> std::shared_ptr<CaptureDeviceInput> {
        if (error)
            *error = std::move(reason);
        return nullptr;
    };
    if (!device)
        return fail(foundation::Error("no camera"));
    if (auto access = device->checkAccess(); access.isError())
        return fail(std::move(access).releaseError());
    if (error)
        error->reset();
    return std::make_shared<CaptureDeviceInput>(Private {}, device);
}

} // namespace capture
