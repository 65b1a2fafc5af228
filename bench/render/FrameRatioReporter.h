#pragma once

#include <benchmark/benchmark.h>
#include <map>
#include <string>
#include <vector>

// The console report of a frame benchmark program, keeping each benchmark's
// time per frame so that, after the run, a frame can be printed as a ratio
// to the raw fill measured in the same run. With repetitions the mean
// stands for them all.
class FrameRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // "LABEL / raw cairo fill: R (A fps against B fps)", when both benchmarks
    // (by function name) ran.
    void printRatio(const std::string& label, const std::string& frame, const std::string& rawFill) const;

private:
    std::map<std::string, double> m_millis;
};
