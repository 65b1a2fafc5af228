#pragma once

#include <memory>

namespace foundation {

// Every piece of code that asks for the time goes through the installed clock, so
// that tests can swap in a virtual one and drive timers and dates without sleeping.
class Clock {
public:
    virtual ~Clock() = default;

    // Seconds on a steady scale with an arbitrary origin; only differences mean anything.
    virtual double monotonic() const = 0;
    // Wall time: seconds since 1970-01-01 00:00:00 UTC.
    virtual double now() const = 0;

    // The process-wide clock; the system clock until something else is installed.
    static std::shared_ptr<Clock> current();
    // Installs a clock for the whole process; nullptr puts the system clock back.
    static void install(std::shared_ptr<Clock> clock);
};

} // namespace foundation
