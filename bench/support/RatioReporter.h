#pragma once

#include <benchmark/benchmark.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// The console's report, keeping each benchmark's real time per iteration so
// that a program prints, after the run, its costs as ratios to the raw
// libraries underneath, measured in that same run. With repetitions the mean
// stands for the benchmark; one that failed or was filtered out has no time.
// A benchmark with arguments is named with them, "JsonAppParse/20".
//
//     RatioReporter reporter;
//     benchmark::RunSpecifiedBenchmarks(&reporter);
//     reporter.printRatio("memory hit", "MemoryHit", "a bare map look-up", "BareMap");
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter();

    void ReportRuns(const std::vector<Run>& runs) override;

    std::optional<double> seconds(const std::string& benchmark) const;
    // One line, "what: 21.5 ns, 1.28x baseline (16.8 ns)", when both ran.
    void printRatio(const std::string& what, const std::string& benchmark, const std::string& baselineWhat,
        const std::string& baseline) const;

    // "21.5 ns", "49.9 us", "25.2 ms".
    static std::string formatSeconds(double seconds);

private:
    std::map<std::string, double> m_seconds;
};

} // namespace bench
