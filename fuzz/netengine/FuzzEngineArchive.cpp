// A frozen operation's file as the engine reads it back when the network
// returns: whatever is on disk (damaged, truncated, from another version).
//
// Input: the file's bytes. A decoded operation must read as ready, archive
// again to something that decodes, and build its body and diagnostics
// without trouble; anything else must be refused, never crash.

#include "netengine/NetworkOperation.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto archive = foundation::parseJsonObject(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!archive)
        return 0;
    auto operation = NetworkOperation::initWithCoder(*archive);
    if (!operation)
        return 0;
    if (operation->state() != NetworkOperation::StateReady)
        std::abort();
    if (!NetworkOperation::initWithCoder(operation->encodeWithCoder()))
        std::abort();
    (void)operation->bodyData();
    (void)operation->curlCommandLineString();
    (void)operation->uniqueIdentifier();
    return 0;
}
