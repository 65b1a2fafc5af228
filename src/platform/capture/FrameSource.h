#pragma once

#include "platform/capture/MetadataMachineReadableCodeObject.h"
#include "platform/capture/VideoFrame.h"

#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace capture {

// What a source hands the session: a picture to read codes from, and codes
// that are already known (a script holding a code up to the camera) which are
// delivered without reading any picture.
struct CaptureSample {
    // Shared, as frames are large and never change.
    std::shared_ptr<const VideoFrame> frame;
    std::vector<MetadataMachineReadableCodeObject> codes;
    // A picture held up inside the scanner's square rather than the camera's
    // whole view: it is read whole, as the square is what it fills.
    bool fillsRectOfInterest { false };
};

// Where a running session gets its pictures. nextSample() is only ever called
// from the session's capture thread, one call at a time.
class FrameSource {
public:
    virtual ~FrameSource() = default;

    // Blocks until a sample is ready. nullopt when `stop` has been requested or
    // the source has nothing more to give; the session then stops reading.
    virtual std::optional<CaptureSample> nextSample(std::stop_token stop) = 0;
};

} // namespace capture
