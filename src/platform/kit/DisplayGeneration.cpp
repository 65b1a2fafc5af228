#include "platform/kit/DisplayGeneration.h"

#include <atomic>

namespace kit {

namespace {

std::atomic<std::uint64_t>& counter()
{
    static std::atomic<std::uint64_t> value { 0 };
    return value;
}

} // namespace

std::uint64_t DisplayGeneration::current()
{
    return counter().load(std::memory_order_relaxed);
}

void DisplayGeneration::bump()
{
    counter().fetch_add(1, std::memory_order_relaxed);
}

} // namespace kit
