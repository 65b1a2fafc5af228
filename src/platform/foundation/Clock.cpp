#include "platform/foundation/Clock.h"

#include "platform/foundation/SystemClock.h"

#include <mutex>

namespace foundation {

namespace {

struct InstalledClock {
    std::mutex mutex;
    std::shared_ptr<Clock> clock { std::make_shared<SystemClock>() };
};

InstalledClock& installedClock()
{
    static InstalledClock installed;
    return installed;
}

} // namespace

std::shared_ptr<Clock> Clock::current()
{
    auto& installed = installedClock();
    std::lock_guard lock(installed.mutex);
    return installed.clock;
}

void Clock::install(std::shared_ptr<Clock> clock)
{
    if (!clock)
        clock = std::make_shared<SystemClock>();
    auto& installed = installedClock();
    std::lock_guard lock(installed.mutex);
    // The old clock ends up in the parameter and dies after the lock is released.
    std::swap(installed.clock, clock);
}

} // namespace foundation
