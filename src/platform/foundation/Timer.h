#pragma once

#include "platform/foundation/RunLoop.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace foundation {

// A one-shot or repeating timer on the main run loop. The loop holds a scheduled
// timer, and the timer holds its callback, so whatever the callback captures stays
// alive until the timer is invalidated or, for a one-shot timer, has fired. Owners
// that must not be kept alive use scheduledWeak(): the timer stops by itself once
// its owner is gone.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Callback = std::function<void()>;

    static std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, Callback callback);

    template<typename T, typename F>
    static std::shared_ptr<Timer> scheduledWeak(
        double interval, bool repeats, std::weak_ptr<T> owner, F function)
    {
        auto timer = create(interval, repeats, nullptr);
        timer->m_callback = std::make_shared<const Body>(
            [owner = std::move(owner), function = std::move(function)](Timer& self) mutable {
                if (auto strong = owner.lock())
                    function(*strong);
                else
                    self.invalidate();
            });
        RunLoop::main().addTimer(timer);
        return timer;
    }

    // An unscheduled timer, due `interval` seconds from now once added with RunLoop::addTimer().
    static std::shared_ptr<Timer> create(double interval, bool repeats, Callback callback);

    // Runs the callback at once. A repeating timer keeps its schedule; a one-shot
    // timer is invalidated. Does nothing on an invalid timer.
    void fire();
    void invalidate();
    bool isValid() const { return m_valid.load(); }

    double timeInterval() const { return m_interval; }
    bool repeats() const { return m_repeats; }
    // Steady time (RunLoop::now()) of the next scheduled firing.
    double fireDate() const;

    // Public only for std::make_shared; use create() or scheduledTimer().
    struct Private { };
    Timer(Private, double interval, bool repeats, double fireDate);

private:
    friend class RunLoop;
    using Body = std::function<void(Timer&)>;

    // Runs the body with the timer kept alive and its callback pinned, so the body may
    // invalidate the timer or drop the last outside reference to it.
    void runBody();

    const double m_interval;
    const bool m_repeats;
    std::atomic<bool> m_valid { true };

    // Guarded by the main loop's mutex.
    std::shared_ptr<const Body> m_callback;
    std::shared_ptr<void> m_performTarget;
    const void* m_performKey { nullptr };
    double m_fireDate;
    std::optional<RunLoop::TimerKey> m_scheduledKey;
};

} // namespace foundation
