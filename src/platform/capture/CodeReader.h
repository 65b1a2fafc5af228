#pragma once

#include "platform/capture/MetadataMachineReadableCodeObject.h"
#include "platform/capture/VideoFrame.h"
#include "platform/graphics/Geometry.h"

#include <span>
#include <vector>

namespace capture {

// Finds the codes of the wanted kinds inside a frame's rectangle of interest.
class CodeReader {
public:
    // Code 39 mod 43 is Code 39 whose last character checks the others. When
    // both are wanted a code is reported as plain Code 39 with every character
    // kept: a data character that happens to check the rest must not be cut off.
    // When only the mod 43 kind is wanted, a code whose check fails is not
    // reported and the check character is dropped from one that passes.
    static std::vector<MetadataMachineReadableCodeObject> read(const VideoFrame& frame,
        const graphics::Rect& rectOfInterest, std::span<const MetadataObjectType> types);

    // The mod 43 check of a Code 39 text whose last character is the check one.
    static bool hasValidMod43CheckCharacter(std::string_view text);
};

} // namespace capture
