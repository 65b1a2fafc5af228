#pragma once

#include "platform/capture/MetadataObjectType.h"

#include <string>
#include <utility>

namespace capture {

// One code found in a frame (or held up to the camera by a script).
class MetadataMachineReadableCodeObject {
public:
    MetadataMachineReadableCodeObject(MetadataObjectType type, std::string stringValue)
        : m_type(type)
        , m_stringValue(std::move(stringValue))
    {
    }

    MetadataObjectType type() const { return m_type; }
    const std::string& stringValue() const { return m_stringValue; }

    friend bool operator==(const MetadataMachineReadableCodeObject&, const MetadataMachineReadableCodeObject&)
        = default;

private:
    MetadataObjectType m_type;
    std::string m_stringValue;
};

} // namespace capture
