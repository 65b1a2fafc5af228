#include "render/FrameRatioReporter.h"

#include "render/FrameSurface.h"

#include <cstdio>

void FrameRatioReporter::printRatio(
    const std::string& label, const std::string& frame, const std::string& rawFill) const
{
    auto const painted = seconds(frame);
    auto const filled = seconds(rawFill);
    if (!painted || !filled || !(*filled > 0))
        return;
    std::printf("%s / raw cairo fill: %.2f (%.0f fps against %.0f fps)\n", label.c_str(), *painted / *filled,
        1.0 / *painted, 1.0 / *filled);
}

int FrameRatioReporter::runWithRawFill(
    int argc, char** argv, const std::string& label, const std::string& frameBenchmark)
{
    static constexpr const char* rawFill = "BM_RawCairoFillOfTheSameSurface";
    benchmark::RegisterBenchmark(rawFill, &FrameSurface::measureRawFill)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    FrameRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio(label, frameBenchmark, rawFill);
    benchmark::Shutdown();
    return 0;
}
