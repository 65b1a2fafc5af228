// The start of `cashier --demo --headless` as a person's first look at the app
// costs it: the time from launching the program to the transcript naming its first
// screen, and the peak resident memory of the run (the first screen is all it
// does). A fresh home starts with the guide; a used one with the collect tab.
// Each start is one iteration; the medians are printed after the table.

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Start {
    double secondsToFirstScreen { 0 };
    double peakMegabytes { 0 };
    bool ok { false };
};

// Runs the program on `home` with a script that only shows the screen.
Start startOnce(const fs::path& home, const fs::path& script)
{
    Start result;
    int out[2];
    if (pipe(out) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string const homeText = home.string();
    std::string const scriptText = script.string();
    std::vector<char*> argv { const_cast<char*>(CASHIER_PROGRAM), const_cast<char*>("--demo"),
        const_cast<char*>("--home"), const_cast<char*>(homeText.c_str()), const_cast<char*>("--headless"),
        const_cast<char*>("--script"), const_cast<char*>(scriptText.c_str()), nullptr };
    auto const launched = Clock::now();
    pid_t pid = 0;
    int const spawned = posix_spawn(&pid, CASHIER_PROGRAM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return result;
    }
    std::string transcript;
    char buffer[4096];
    bool shown = false;
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) {
        transcript.append(buffer, static_cast<size_t>(n));
        if (!shown && transcript.find("screen ") != std::string::npos) {
            result.secondsToFirstScreen = std::chrono::duration<double>(Clock::now() - launched).count();
            shown = true;
        }
    }
    close(out[0]);
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return result;
    result.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024; // kilobytes on Linux
    result.ok = shown && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

std::map<std::string, std::vector<Start>>& samples()
{
    static std::map<std::string, std::vector<Start>> all;
    return all;
}

fs::path scriptFile()
{
    static fs::path const path = [] {
        auto file = fs::temp_directory_path() / ("bench-startup-" + std::to_string(getpid()) + ".txt");
        std::ofstream(file) << "show\n";
        return file;
    }();
    return path;
}

void measure(benchmark::State& state, const std::string& name, bool usedHome)
{
    auto const home = fs::temp_directory_path() / ("bench-startup-home-" + std::to_string(getpid()));
    for (auto _ : state) {
        fs::remove_all(home);
        if (usedHome && !startOnce(home, scriptFile()).ok) {
            state.SkipWithError("the program did not start");
            break;
        }
        auto const start = startOnce(home, scriptFile());
        if (!start.ok) {
            state.SkipWithError("the program did not start");
            break;
        }
        state.SetIterationTime(start.secondsToFirstScreen);
        samples()[name].push_back(start);
    }
    fs::remove_all(home);
}

void FreshHome(benchmark::State& state)
{
    measure(state, "fresh home (guide)", false);
}

void UsedHome(benchmark::State& state)
{
    measure(state, "used home (collect tab)", true);
}

BENCHMARK(FreshHome)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);
BENCHMARK(UsedHome)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto const& [name, starts] : samples()) {
        std::vector<double> times;
        std::vector<double> peaks;
        for (auto const& start : starts) {
            times.push_back(start.secondsToFirstScreen * 1000);
            peaks.push_back(start.peakMegabytes);
        }
        std::printf("%s: first screen %.1f ms, peak memory %.1f MB (medians of %zu starts)\n", name.c_str(),
            median(times), median(peaks), starts.size());
    }
    std::error_code ignored;
    fs::remove(scriptFile(), ignored);
    return 0;
}
