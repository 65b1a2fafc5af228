#include "platform/foundation/SystemClock.h"

#include <chrono>

namespace foundation {

double SystemClock::monotonic() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double SystemClock::now() const
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

} // namespace foundation
