// Arbitrary reply text for the reply handlers of every screen that talks to the
// back end. A driver script (ScreenDrivers.cpp) brings one screen up in the app
// (AppFuzzFrame) and makes it ask; every request is answered with the fuzzer's
// reply.
//
// Input: byte 0 picks the driver; byte 1 picks how the reply comes: bit 0 clear
// sends the rest encrypted under the requested pair's key, as the back end would
// (so handlers see the text itself), set sends the bytes as they are; bits 1-2
// pick the status (200, 200, 403, 500). The rest is the reply. A driver may answer
// the requests that lead to its screen with fixed replies of its own.

#include "AppFuzzFrame.h"
#include "ScreenDrivers.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    AppFuzzFrame::preferFlatSchedule(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto const& drivers = screenDrivers();
    if (size < 2 || drivers.empty())
        return 0;
    auto const& driver = drivers[data[0] % drivers.size()];
    static constexpr int statuses[] = { 200, 200, 403, 500 };
    AppFuzzFrame::shared().setReply(std::string(reinterpret_cast<const char*>(data) + 2, size - 2),
        (data[1] & 1) == 0, statuses[(data[1] >> 1) & 3]);
    std::string script;
    for (auto const& line : driver.script)
        script += line + "\n";
    AppFuzzFrame::shared().run(driver.signedIn, script, driver.setupReplies);
    return 0;
}
