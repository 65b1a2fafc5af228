#pragma once

#include "platform/foundation/Clock.h"

namespace foundation {

// The real clock: steady time for scheduling, the system's wall clock for dates.
class SystemClock final : public Clock {
public:
    double monotonic() const override;
    double now() const override;
};

} // namespace foundation
