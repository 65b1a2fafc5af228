#include "platform/foundation/VirtualClock.h"

#include <cmath>

namespace foundation {

VirtualClock::VirtualClock(double wallTime)
    : m_wallTime(std::isfinite(wallTime) ? wallTime : defaultWallTime)
{
}

double VirtualClock::monotonic() const
{
    std::lock_guard lock(m_mutex);
    return m_monotonic;
}

double VirtualClock::now() const
{
    std::lock_guard lock(m_mutex);
    return m_wallTime;
}

void VirtualClock::advance(double seconds)
{
    if (!(seconds > 0) || !std::isfinite(seconds))
        return;
    std::lock_guard lock(m_mutex);
    m_monotonic += seconds;
    m_wallTime += seconds;
}

void VirtualClock::advanceTo(double monotonic)
{
    if (!std::isfinite(monotonic))
        return;
    std::lock_guard lock(m_mutex);
    if (monotonic <= m_monotonic)
        return;
    m_wallTime += monotonic - m_monotonic;
    m_monotonic = monotonic;
}

void VirtualClock::setNow(double wallTime)
{
    if (!std::isfinite(wallTime))
        return;
    std::lock_guard lock(m_mutex);
    m_wallTime = wallTime;
}

} // namespace foundation
