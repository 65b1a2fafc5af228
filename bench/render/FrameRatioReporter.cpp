#include "render/FrameRatioReporter.h"

#include <cstdio>

void FrameRatioReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const auto& run : runs) {
        bool aggregate = run.run_type == Run::RT_Aggregate;
        if (run.error_occurred || run.iterations == 0 || (aggregate && run.aggregate_name != "mean"))
            continue;
        m_millis[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
}

void FrameRatioReporter::printRatio(
    const std::string& label, const std::string& frame, const std::string& rawFill) const
{
    auto painted = m_millis.find(frame);
    auto filled = m_millis.find(rawFill);
    if (painted == m_millis.end() || filled == m_millis.end() || !(filled->second > 0))
        return;
    std::printf("%s / raw cairo fill: %.2f (%.0f fps against %.0f fps)\n", label.c_str(),
        painted->second / filled->second, 1000.0 / painted->second, 1000.0 / filled->second);
}
