#include "platform/foundation/Clock.h"

#include "platform/foundation/SystemClock.h"

#include <mutex>
#include <new>

namespace foundation {

namespace {

struct InstalledClock {
    std::mutex mutex;
    std::shared_ptr<Clock> clock { std::make_shared<SystemClock>() };
};

// Never destroyed: jobs the worker pool drains at exit, after every static made later
// than it is gone, still ask for the time.
struct InstalledClockStorage {
    InstalledClockStorage() { new (&m_installed) InstalledClock(); }
    ~InstalledClockStorage() { }
    InstalledClockStorage(const InstalledClockStorage&) = delete;
    InstalledClockStorage& operator=(const InstalledClockStorage&) = delete;
    union {
        InstalledClock m_installed;
    };
};

InstalledClock& installedClock()
{
    static InstalledClockStorage storage;
    return storage.m_installed;
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
