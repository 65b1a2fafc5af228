#include "main/ProgramOptions.h"

#include <cctype>

namespace {

bool isHostCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

} // namespace

bool ProgramOptions::isHostAndPort(const std::string& text)
{
    auto colon = text.rfind(':');
    std::string host = colon == std::string::npos ? text : text.substr(0, colon);
    if (host.empty())
        return false;
    for (char c : host) {
        if (!isHostCharacter(c))
            return false;
    }
    if (colon == std::string::npos)
        return true;
    std::string port = text.substr(colon + 1);
    if (port.empty() || port.size() > 5)
        return false;
    long value = 0;
    for (char c : port) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

foundation::Result<ProgramOptions> ProgramOptions::parse(const std::vector<std::string>& arguments)
{
    ProgramOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        auto host = [&](std::optional<std::string>& slot) -> foundation::Result<void> {
            auto text = value();
            if (!text || !isHostAndPort(*text))
                return foundation::Error(argument + " needs host or host:port");
            slot = *text;
            return {};
        };
        if (argument == "--demo") {
            options.demo = true;
        } else if (argument == "--headless") {
            options.headless = true;
        } else if (argument == "--trace") {
            options.trace = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--api-host") {
            TRY(host(options.apiHost));
        } else if (argument == "--agent-host") {
            TRY(host(options.agentHost));
        } else if (argument == "--web-host") {
            TRY(host(options.webHost));
        } else if (argument == "--home") {
            auto dir = value();
            if (!dir || dir->empty())
                return foundation::Error("--home needs a directory");
            options.home = std::filesystem::path(*dir);
        } else if (argument == "--script") {
            auto file = value();
            if (!file || file->empty())
                return foundation::Error("--script needs a file (or - for standard input)");
            options.script = *file;
        } else {
            return foundation::Error("unknown argument " + argument);
        }
    }
    if (options.script && !options.headless)
        return foundation::Error("--script runs only with --headless");
    if (options.headless && !options.script)
        return foundation::Error("--headless needs --script FILE");
    return options;
}

const char* ProgramOptions::usage()
{
    return "usage: cashier [--demo] [--api-host H[:P]] [--agent-host H[:P]] [--web-host H[:P]]\n"
           "               [--home DIR] [--headless --script FILE|-] [--trace]\n"
           "  --demo             start the stand-in back end on 127.0.0.1 and use it\n"
           "  --api-host ...     where the signed API, the agent and the images are\n"
           "  --home DIR         keep settings and caches under DIR\n"
           "  --headless         no window: run --script and print a transcript\n"
           "  --script FILE      one command a line (- reads standard input)\n"
           "  --trace            print each request sent with its parameters\n";
}
