#pragma once

// The main run loop: one per process, owned by the main thread. Everything the
// screens do (timers, main-queue blocks, delayed performs, the view layer's layout
// and display pass) runs on it, one turn at a time:
//
//   1. timers and delayed performs that are due, in due-time order;
//   2. blocks posted before this step began (timers of step 1 included), in order;
//   3. end-of-turn hooks (layout and display).
//
// Program:
//     auto& loop = foundation::RunLoop::main();
//     loop.post([] { startApplication(); });
//     loop.run();                            // until loop.quit()
//
// Tests run it on virtual time and never sleep:
//     auto clock = foundation::RunLoop::main().useVirtualClock();
//     auto timer = foundation::Timer::scheduledTimer(2.0, true, [&] { ++ticks; });
//     foundation::RunLoop::main().advance(4.0);    // ticks == 2
//     foundation::RunLoop::main().runUntilIdle();  // runs what is due now, time stands still
//
// post(), Timer scheduling, performAfterDelay() and cancellation may be called from
// any thread; callbacks only ever run on the main thread. A callback may post,
// schedule, invalidate or cancel anything, itself included.

#include "platform/foundation/Subscription.h"
#include "platform/foundation/WakeChannel.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace foundation {

class Clock;
class Timer;
class VirtualClock;

class RunLoop {
public:
    using Block = std::function<void()>;

    static RunLoop& main();

    // The main thread is the process's initial thread until another one binds.
    void bindToCurrentThread();
    static bool isMainThread();

    // Steady time of the installed clock, in seconds.
    double now() const;

    void post(Block block);

    // Runs `block` on the main thread after `delay` seconds. The loop keeps `target`
    // alive until then; cancelPreviousPerformRequests(target) drops every pending
    // perform of that target.
    void performAfterDelay(std::shared_ptr<void> target, double delay, Block block);
    void cancelPreviousPerformRequests(const void* target);
    template<typename T> void cancelPreviousPerformRequests(const std::shared_ptr<T>& target)
    {
        cancelPreviousPerformRequests(static_cast<const void*>(target.get()));
    }

    void addTimer(const std::shared_ptr<Timer>& timer);

    // Runs at the end of every turn; a hook (or anything else) that calls
    // requestTurn() gets one more turn within the same runUntilIdle/advance/run.
    [[nodiscard]] Subscription addEndOfTurnHook(Block hook);
    void requestTurn();

    // Runs turns until nothing is due at the current time; time does not move.
    // Returns false if it had to give up (something kept asking for turns at one instant).
    bool runUntilIdle();
    // Moves virtual time forward by `seconds`, stopping at every instant something is
    // due, so that timers and performs fire in time order and repeating timers fire
    // once per period. On the system clock it only runs what is due.
    void advance(double seconds);
    // Runs turns, sleeping until the next due time or a post, until quit().
    void run();
    // Runs turns until `done` returns true, waking up for posts; for main-thread waits
    // that must keep main-queue work flowing (a worker may be waiting on it).
    void runUntil(const std::function<bool()>& done);
    void quit();

    // Test support. Drops all pending blocks, timers and performs, binds the loop to
    // the calling thread and installs a fresh virtual clock. Hooks stay registered.
    std::shared_ptr<VirtualClock> useVirtualClock();
    std::shared_ptr<VirtualClock> useVirtualClock(double wallTime);
    // Drops all pending blocks, timers and performs and binds to the calling thread.
    void reset();

    // Wakes a thread blocked in run() or runUntil() so it re-checks its condition.
    void wakeUp();

private:
    friend class Timer;
    friend class WorkerPool;
    friend class PostBatch;
    // Tests set up states that only a race between threads reaches, which no sequence
    // of calls from one thread can produce.
    friend struct RunLoopTestAccess;
    using TimerKey = std::pair<double, uint64_t>;

    RunLoop() = default;
    ~RunLoop() = default;
    struct Storage;

    // Delays and intervals: NaN and negatives become 0, huge values are capped so
    // that due-time arithmetic stays finite.
    static double sanitizedDelay(double seconds);

    // Posts every block in order, waking the main thread once.
    void postAll(std::vector<Block> blocks);
    void runOneTurn();
    bool hasWorkNowLocked(double now) const;
    // Blocks until there is something to run (true) or quit() was called (false).
    bool waitForWork(const std::function<bool()>& done);
    bool ensureMainThread(const char* what) const;
    void scheduleLocked(const std::shared_ptr<Timer>& timer, double fireDate);
    [[nodiscard]] std::shared_ptr<Timer> unscheduleLocked(Timer& timer);
    void invalidateTimer(Timer& timer);
    // Drops all pending work, and refuses new posts from then on. Used at process exit
    // so that a worker waiting for the main queue is released rather than joined for ever.
    void shutDown();
    void discardPendingWork();

    mutable std::mutex m_mutex;
    // Where the main thread sleeps between turns: a thread handing it work and then
    // sleeping lets it run there rather than on a processor roused for it.
    WakeChannel m_wake;
    std::deque<Block> m_posted;
    std::map<TimerKey, std::shared_ptr<Timer>> m_timers;
    uint64_t m_nextSequence { 0 };
    bool m_turnRequested { false };
    bool m_quitRequested { false };
    bool m_wakeRequested { false };
    bool m_shutDown { false };

    struct Hook {
        uint64_t id;
        std::shared_ptr<const Block> block;
    };
    std::vector<Hook> m_hooks;
    uint64_t m_nextHookId { 0 };
};

} // namespace foundation
