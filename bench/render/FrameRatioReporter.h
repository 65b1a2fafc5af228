#pragma once

#include "bench/support/RatioReporter.h"

#include <string>

// The console report of a frame benchmark program: after the run, a frame
// is printed as a ratio to the raw fill measured in the same run.
class FrameRatioReporter : public bench::RatioReporter {
public:
    // A frame benchmark program's main: the raw fill is added beside the
    // program's own benchmarks, all run, then `frameBenchmark` is printed as
    // a ratio to the fill.
    static int runWithRawFill(
        int argc, char** argv, const std::string& label, const std::string& frameBenchmark);

    // "LABEL / raw cairo fill: R (A fps against B fps)", when both benchmarks
    // (by function name) ran.
    void printRatio(const std::string& label, const std::string& frame, const std::string& rawFill) const;
};
