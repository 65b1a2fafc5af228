// The cashier program's command line: arguments separated by NUL bytes. Parsing
// never crashes, and a host it accepts is one it would accept on its own.

#include "main/ProgramOptions.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> arguments(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back().push_back(static_cast<char>(data[i]));
    }
    auto parsed = ProgramOptions::parse(arguments);
    if (parsed.isError())
        return 0;
    auto const& options = parsed.value();
    for (auto const& host : { options.apiHost, options.agentHost, options.webHost }) {
        if (host && !ProgramOptions::isHostAndPort(*host))
            std::abort();
    }
    return 0;
}
