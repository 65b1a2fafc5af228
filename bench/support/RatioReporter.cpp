#include "bench/support/RatioReporter.h"

#include <cstdio>
#include <unistd.h>

namespace bench {

RatioReporter::RatioReporter()
    : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_None)
{
}

void RatioReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        bool const aggregate = run.run_type == Run::RT_Aggregate;
        if (run.error_occurred || run.iterations == 0 || (aggregate && run.aggregate_name != "mean"))
            continue;
        auto name = run.run_name.function_name;
        if (!run.run_name.args.empty())
            name += "/" + run.run_name.args;
        m_seconds[name] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
    ConsoleReporter::ReportRuns(runs);
}

std::optional<double> RatioReporter::seconds(const std::string& benchmark) const
{
    auto const it = m_seconds.find(benchmark);
    if (it == m_seconds.end())
        return std::nullopt;
    return it->second;
}

void RatioReporter::printRatio(const std::string& what, const std::string& benchmark,
    const std::string& baselineWhat, const std::string& baseline) const
{
    auto const measured = seconds(benchmark);
    auto const base = seconds(baseline);
    if (!measured || !base || *base <= 0)
        return;
    std::printf("%s: %s, %.2fx %s (%s)\n", what.c_str(), formatSeconds(*measured).c_str(), *measured / *base,
        baselineWhat.c_str(), formatSeconds(*base).c_str());
    std::fflush(stdout);
}

std::string RatioReporter::formatSeconds(double seconds)
{
    char text[32];
    if (seconds < 1e-6)
        std::snprintf(text, sizeof text, "%.1f ns", seconds * 1e9);
    else if (seconds < 1e-3)
        std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
    else
        std::snprintf(text, sizeof text, "%.1f ms", seconds * 1e3);
    return text;
}

} // namespace bench
