#pragma once

#include <memory>

namespace capture {

class CaptureDeviceInput;
class CaptureMetadataOutput;

// The link a delivery travelled along: from a session's input to one output.
class CaptureConnection {
public:
    CaptureConnection(std::weak_ptr<CaptureDeviceInput> input, std::weak_ptr<CaptureMetadataOutput> output)
        : m_input(std::move(input))
        , m_output(std::move(output))
    {
    }

    std::shared_ptr<CaptureDeviceInput> input() const { return m_input.lock(); }
    std::shared_ptr<CaptureMetadataOutput> output() const { return m_output.lock(); }

private:
    std::weak_ptr<CaptureDeviceInput> m_input;
    std::weak_ptr<CaptureMetadataOutput> m_output;
};

} // namespace capture
