#include "platform/foundation/Timer.h"

#include <algorithm>

namespace foundation {

namespace {

// A repeating timer with no period would fire for ever at one instant; the phone
// platform uses the same floor.
constexpr double minimumRepeatInterval = 0.0001;

} // namespace

Timer::Timer(Private, double interval, bool repeats, double fireDate)
    : m_interval(interval)
    , m_repeats(repeats)
    , m_fireDate(fireDate)
{
}

std::shared_ptr<Timer> Timer::create(double interval, bool repeats, Callback callback)
{
    interval = RunLoop::sanitizedDelay(interval);
    if (repeats)
        interval = std::max(interval, minimumRepeatInterval);
    auto timer = std::make_shared<Timer>(Private {}, interval, repeats, RunLoop::main().now() + interval);
    if (callback)
        timer->m_callback
            = std::make_shared<const Body>([callback = std::move(callback)](Timer&) { callback(); });
    return timer;
}

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, bool repeats, Callback callback)
{
    auto timer = create(interval, repeats, std::move(callback));
    RunLoop::main().addTimer(timer);
    return timer;
}

void Timer::fire()
{
    if (!isValid())
        return;
    runBody();
    if (!m_repeats)
        invalidate();
}

void Timer::invalidate()
{
    RunLoop::main().invalidateTimer(*this);
}

double Timer::fireDate() const
{
    std::lock_guard lock(RunLoop::main().m_mutex);
    return m_fireDate;
}

void Timer::runBody()
{
    auto self = shared_from_this();
    std::shared_ptr<const Body> body;
    {
        std::lock_guard lock(RunLoop::main().m_mutex);
        body = m_callback;
    }
    if (body && *body)
        (*body)(*this);
}

} // namespace foundation
