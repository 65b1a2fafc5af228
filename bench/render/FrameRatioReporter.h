#pragma once

#include "bench/support/RatioReporter.h"

#include <string>

// The console report of a frame benchmark program: after the run, a frame
// is printed as a ratio to the raw fill measured in the same run.
class FrameRatioReporter : public bench::RatioReporter {
public:
    // "LABEL / raw cairo fill: R (A fps against B fps)", when both benchmarks
    // (by function name) ran.
    void printRatio(const std::string& label, const std::string& frame, const std::string& rawFill) const;
};
