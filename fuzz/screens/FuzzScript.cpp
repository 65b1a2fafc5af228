// The headless script language on arbitrary text, run against the app as
// `cashier --headless` runs it (AppFuzzFrame), every request answered with a
// successful empty reply. Commands that touch files the fuzzer does not own
// (shot, scan-image) are left out, and waits are kept short so a run stays quick.
//
// Input: byte 0 bit 0 starts signed in; the rest is the script.

#include "AppFuzzFrame.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    AppFuzzFrame::preferFlatSchedule(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    std::istringstream input(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    std::string script;
    std::string line;
    int lines = 0;
    while (std::getline(input, line) && ++lines <= 64) {
        auto const first = line.find_first_not_of(" \t");
        auto const command = first == std::string::npos ? std::string() : line.substr(first);
        if (command.starts_with("shot") || command.starts_with("scan-image"))
            continue;
        if (command.starts_with("wait")) {
            char* end = nullptr;
            double const seconds = std::strtod(command.c_str() + 4, &end);
            if (!(seconds <= 30))
                continue;
        }
        script += line + "\n";
    }
    AppFuzzFrame::shared().setReply(R"({"status":"1","info":"","data":{}})", true, 200);
    AppFuzzFrame::shared().run((data[0] & 1) != 0, script);
    return 0;
}
