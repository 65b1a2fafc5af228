#pragma once

#include "platform/foundation/Result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What the command line asks of the program.
struct ProgramOptions {
    bool demo = false;
    std::optional<std::string> apiHost;
    std::optional<std::string> agentHost;
    std::optional<std::string> webHost;
    std::optional<std::filesystem::path> home;
    bool headless = false;
    // "-" reads the script from standard input.
    std::optional<std::string> script;
    bool trace = false;
    bool help = false;

    static foundation::Result<ProgramOptions> parse(const std::vector<std::string>& arguments);
    // "host" or "host:port" with a port of 1 to 65535; no scheme, no path.
    static bool isHostAndPort(const std::string& text);
    static const char* usage();
};
