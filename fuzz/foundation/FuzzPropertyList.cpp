// An XML property list as the response cache reads its index: whatever is
// on disk (damaged, truncated, written by hand or by another program).
//
// Input: the document's bytes. One that reads must write back, and what is
// written must read as the same value; one that does not must say where
// reading stopped. Nothing may crash or throw.

#include "platform/foundation/PropertyList.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto read = foundation::PropertyList::read(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!read) {
        if (read.error().message().find(" at byte ") == std::string::npos)
            std::abort();
        return 0;
    }
    auto written = foundation::PropertyList::write(read.value());
    if (!written)
        std::abort();
    auto again = foundation::PropertyList::read(*written);
    if (!again || again.value() != read.value())
        std::abort();
    return 0;
}
