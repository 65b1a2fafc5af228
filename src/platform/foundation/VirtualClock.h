#pragma once

#include "platform/foundation/Clock.h"

#include <mutex>

namespace foundation {

// A clock that only moves when told to. Wall time moves along with steady time
// unless a test pins it with setNow().
class VirtualClock final : public Clock {
public:
    // 2026-01-01 00:00:00 UTC: a fixed, recent default so date output is reproducible.
    static constexpr double defaultWallTime = 1767225600.0;

    explicit VirtualClock(double wallTime = defaultWallTime);

    double monotonic() const override;
    double now() const override;

    // Moves both scales forward; negative steps are ignored because time never runs back.
    void advance(double seconds);
    // Moves steady time to exactly `monotonic` (wall time follows), so that stepping to a
    // timer's due time does not pile up rounding errors.
    void advanceTo(double monotonic);
    void setNow(double wallTime);

private:
    mutable std::mutex m_mutex;
    double m_monotonic { 0 };
    double m_wallTime;
};

} // namespace foundation
