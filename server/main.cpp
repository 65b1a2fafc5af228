// merchant-server: the stand-in merchant back end on 127.0.0.1, for manual
// runs of the app and for loopback tests.

#include "server/MerchantHttpServer.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <sys/resource.h>

namespace {

void printUsage(FILE* stream)
{
    std::fprintf(stream,
        "usage: merchant-server [--port N] [--seed demo] [--test-hooks]\n"
        "  --port N      port on 127.0.0.1 (0, the default, picks a free one)\n"
        "  --seed demo   the demo merchant's data (the only seed)\n"
        "  --test-hooks  serve the test hooks under %s (clock, faults, outcomes,\n"
        "                reset, and the log of decrypted requests); off by default\n"
        "  --help        this text\n",
        merchant::MerchantBackend::kHookPrefix);
}

int usage()
{
    printUsage(stderr);
    return 2;
}

// Each client holds a descriptor; the usual soft limit of 1024 is far below
// what the server is built to carry.
void raiseDescriptorLimit()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char** argv)
{
    int port = 0;
    merchant::MerchantHttpOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            printUsage(stdout);
            return 0;
        } else if (argument == "--port" && i + 1 < argc) {
            char* end = nullptr;
            long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value < 0 || value > 65535)
                return usage();
            port = static_cast<int>(value);
        } else if (argument == "--seed" && i + 1 < argc) {
            if (std::strcmp(argv[++i], "demo") != 0)
                return usage();
        } else if (argument == "--test-hooks") {
            options.testHooks = true;
        } else {
            return usage();
        }
    }

    // Block the stop signals before any thread starts so that only sigwait sees them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    raiseDescriptorLimit();

    auto backend = std::make_shared<merchant::MerchantBackend>();
    merchant::MerchantHttpServer server(backend, options);
    if (!server.start(port)) {
        std::fprintf(stderr, "merchant-server: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    std::printf("%s", backend->banner().c_str());
    if (options.testHooks)
        std::printf("  api, agent and web host: %s (test hooks under %s)\n", server.host().c_str(),
            merchant::MerchantBackend::kHookPrefix);
    else
        std::printf("  api, agent and web host: %s (test hooks off)\n", server.host().c_str());
    std::printf("listening on %s\n", server.host().c_str());
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    server.stop();
    return 0;
}
