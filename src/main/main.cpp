// cashier: the app. With --headless --script it runs without a display and
// prints what the user would have been shown; --demo brings its own stand-in
// back end on 127.0.0.1.

#include "api/URLConfig.h"
#include "app/AppDelegate.h"
#include "cards/CardScreens.h"
#include "cashier/CashierScreens.h"
#include "imagecache/ImageManager.h"
#include "main/DemoPortFile.h"
#include "main/ProgramOptions.h"
#include "main/ScriptRunner.h"
#include "main/TracingTransport.h"
#include "main/Transcript.h"
#include "members/MemberScreens.h"
#include "netengine/NetworkEngine.h"
#ifdef CASHIER_WITH_X11
#include "main/X11FrontEnd.h"
#endif
#include "platform/capture/CaptureDevice.h"
#include "platform/capture/MemoryFrameSource.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Application.h"
#include "platform/net/NetworkState.h"
#include "platform/net/Transport.h"
#include "server/MerchantHttpServer.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int usageStatus = 64;

void writeLine(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    // A reader of the transcript (a test, a terminal) sees each line as it happens.
    std::fflush(stdout);
}

bool hasDisplay()
{
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY" }) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

// Ends the app before the back end and the transport it talks through go.
struct RunningApp {
    ~RunningApp()
    {
        kit::AlertView::discardAll();
        kit::Application::terminate();
        foundation::RunLoop::main().reset();
        capture::CaptureDevice::setVirtualDefaultDevice(nullptr);
        net::Transport::install(nullptr);
    }
};

} // namespace

// fontconfig keeps its font patterns until the process ends; a sanitizer
// build of the program must not fail its exit status over them. Read only
// when the leak checker is linked in.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

// Nor print, at every exit, a table of the allocations those suppressions
// matched: a run's standard error is for what the user needs to know.
extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0";
}

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    auto parsed = ProgramOptions::parse(arguments);
    if (parsed.isError()) {
        std::fprintf(stderr, "cashier: %s\n%s", parsed.error().message().c_str(), ProgramOptions::usage());
        return usageStatus;
    }
    const ProgramOptions& options = parsed.value();
    if (options.help) {
        std::printf("%s", ProgramOptions::usage());
        return 0;
    }
    std::istream* script = &std::cin;
    std::ifstream file;
    if (options.script && *options.script != "-") {
        file.open(*options.script);
        if (!file) {
            std::fprintf(stderr, "cashier: cannot read %s\n", options.script->c_str());
            return usageStatus;
        }
        script = &file;
    }
    if (!options.headless && !hasDisplay()) {
        std::fprintf(stderr,
            "cashier: no display for a window. Drive the app from the terminal instead,\n"
            "one command a line (try \"show\"):\n"
            "  cashier%s --headless --script -\n",
            options.demo ? " --demo" : "");
        return 1;
    }

#ifdef CASHIER_WITH_X11
    std::unique_ptr<X11FrontEnd> frontEnd;
    if (!options.headless) {
        frontEnd = X11FrontEnd::open();
        if (!frontEnd) {
            std::fprintf(stderr, "cashier: cannot open the display; try --headless --script -\n");
            return 1;
        }
    }
#else
    if (!options.headless) {
        std::fprintf(stderr, "cashier: this build has no window front end; try --headless --script -\n");
        return 1;
    }
#endif

    // Before anything reads the settings.
    if (options.home)
        foundation::Paths::setHome(*options.home);

    std::unique_ptr<merchant::MerchantHttpServer> server;
    if (options.demo) {
        // The hooks stay on: end-to-end tests drive the demo back end through them.
        merchant::MerchantHttpOptions serving;
        serving.testHooks = true;
        server = std::make_unique<merchant::MerchantHttpServer>(
            std::make_shared<merchant::MerchantBackend>(), serving);
        // The port of the last demo run under this home while it is free, so that
        // the portraits cached then are found again; else any free one.
        DemoPortFile const remembered = DemoPortFile::inCachesDirectory();
        auto const lastPort = remembered.read();
        if (!(lastPort && server->start(*lastPort)) && !server->start(0)) {
            std::fprintf(stderr, "cashier: cannot start the demo back end on 127.0.0.1\n");
            return 1;
        }
        remembered.write(server->port());
        std::fprintf(stderr, "cashier: demo back end on %s\n%s", server->host().c_str(),
            server->backend().banner().c_str());
    }
    auto pick = [&](const std::optional<std::string>& given, std::string_view fallback) {
        if (given)
            return *given;
        return server ? server->host() : std::string(fallback);
    };
    URLConfig::setApiHost(pick(options.apiHost, URLConfig::defaultApiHost));
    URLConfig::setAgentHost(pick(options.agentHost, URLConfig::defaultAgentHost));
    URLConfig::setWebHost(pick(options.webHost, URLConfig::defaultWebHost));
    // A back end on this machine is reachable with no network up at all.
    net::NetworkState::setServiceHosts(
        { URLConfig::apiHost(), URLConfig::agentHost(), URLConfig::webHost() });

    Transcript transcript(writeLine);
    TracingTransport::TraceSink trace;
    if (options.trace)
        trace = [&transcript](const std::string& line) { transcript.line(line); };
    auto tracing = std::make_shared<TracingTransport>(net::Transport::current(), trace);
    net::Transport::install(tracing);

    // A script shows codes to a stand-in camera; a window uses the real one.
    auto camera = std::make_shared<capture::MemoryFrameSource>();
    if (options.headless)
        capture::CaptureDevice::setVirtualDefaultDevice(
            capture::CaptureDevice::virtualDevice("Stand-in camera", camera));

    RunningApp running;
    CashierScreens::registerScreens();
    MemberScreens::registerScreens();
    CardScreens::registerScreens();
    kit::Application::launch(std::make_shared<AppDelegate>());

#ifdef CASHIER_WITH_X11
    if (frontEnd) {
        frontEnd->run();
        return 0;
    }
#endif

    // Image loads count as requests under way from the cache look-up on, and a
    // request of the HTTP engine before the transport sees it.
    auto imageManager = imagecache::ImageManager::sharedManager();
    ScriptRunner::Environment environment { &transcript,
        [tracing, imageManager] {
            return tracing->inFlight() + static_cast<int>(imageManager->runningOperationCount())
                + static_cast<int>(NetworkEngine::pendingOperationCount());
        },
        camera };
    bool atTerminal = script == &std::cin && isatty(STDIN_FILENO);
    environment.stopAtError = !atTerminal;
    environment.idleAfterEachCommand = atTerminal;
    ScriptRunner runner(environment);
    return runner.run(*script);
}
