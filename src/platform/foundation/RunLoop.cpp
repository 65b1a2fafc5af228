#include "platform/foundation/RunLoop.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/PostBatch.h"
#include "platform/foundation/Timer.h"
#include "platform/foundation/VirtualClock.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <new>

namespace foundation {

namespace {

std::atomic<std::thread::id>& boundThread()
{
    static std::atomic<std::thread::id> id { std::this_thread::get_id() };
    return id;
}

// Static initialisation runs on the process's initial thread: bind it before main()
// starts anything else, so a worker touching the loop first cannot claim it.
[[maybe_unused]] const bool g_initialThreadBound = (boundThread(), true);

// Due times are sums of intervals; without a little slack a timer due at 0.6 would
// miss an advance to 0.6 by one rounding step.
constexpr double dueTolerance = 1e-9;

// A hook or block that keeps asking for another turn at the same instant would make
// runUntilIdle() spin for ever; past this many turns it gives up and says so.
constexpr int maxTurnsPerRun = 100000;

// Longest single sleep in run(); the loop re-checks its state after it.
constexpr double maxWaitSeconds = 3600;

} // namespace

double RunLoop::sanitizedDelay(double seconds)
{
    if (std::isnan(seconds) || seconds < 0)
        return 0;
    return std::min(seconds, 1e12);
}

// The loop lives for the whole process and is never destroyed: at exit, static
// objects of other libraries still drop subscriptions to it, and the blocks and timers
// still pending must not be destroyed after the objects their captures refer to.
struct RunLoop::Storage {
    Storage() { new (&m_loop) RunLoop(); }
    ~Storage() { }
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;
    union {
        RunLoop m_loop;
    };
};

RunLoop& RunLoop::main()
{
    static Storage storage;
    return storage.m_loop;
}

void RunLoop::bindToCurrentThread()
{
    boundThread().store(std::this_thread::get_id());
}

bool RunLoop::isMainThread()
{
    return boundThread().load() == std::this_thread::get_id();
}

double RunLoop::now() const
{
    return Clock::current()->monotonic();
}

void RunLoop::post(Block block)
{
    if (!block || PostBatch::hold(block))
        return;
    std::vector<Block> one;
    one.push_back(std::move(block));
    postAll(std::move(one));
}

void RunLoop::postAll(std::vector<Block> blocks)
{
    std::unique_lock lock(m_mutex);
    if (m_shutDown) {
        lock.unlock();
        blocks.clear(); // Destroyed unrun, out of the lock.
        return;
    }
    for (auto& block : blocks)
        m_posted.push_back(std::move(block));
    m_wake.unlockAndWake(lock);
}

void RunLoop::performAfterDelay(std::shared_ptr<void> target, double delay, Block block)
{
    if (!block)
        return;
    auto timer = Timer::create(delay, false, std::move(block));
    timer->m_performKey = target.get();
    timer->m_performTarget = std::move(target);
    addTimer(timer);
}

void RunLoop::cancelPreviousPerformRequests(const void* target)
{
    if (!target)
        return;
    std::vector<std::shared_ptr<Timer>> doomed;
    {
        std::lock_guard lock(m_mutex);
        for (auto& [key, timer] : m_timers) {
            if (timer->m_performKey == target)
                doomed.push_back(timer);
        }
    }
    for (auto& timer : doomed)
        timer->invalidate();
}

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer)
{
    if (!timer)
        return;
    std::unique_lock lock(m_mutex);
    // Checked under the lock: invalidate() on another thread between a check and the
    // lock would otherwise leave a dead timer scheduled, due for ever.
    if (!timer->isValid() || timer->m_scheduledKey)
        return;
    scheduleLocked(timer, timer->m_fireDate);
    m_wake.unlockAndWake(lock);
}

Subscription RunLoop::addEndOfTurnHook(Block hook)
{
    if (!hook)
        return {};
    uint64_t id;
    {
        std::lock_guard lock(m_mutex);
        id = m_nextHookId++;
        m_hooks.push_back({ id, std::make_shared<const Block>(std::move(hook)) });
    }
    return Subscription([this, id] {
        std::shared_ptr<const Block> removed;
        std::lock_guard lock(m_mutex);
        auto it
            = std::find_if(m_hooks.begin(), m_hooks.end(), [id](const Hook& hook) { return hook.id == id; });
        if (it == m_hooks.end())
            return;
        // Moved out first: the hook's captures must die after the lock is released.
        removed = std::move(it->block);
        m_hooks.erase(it);
    });
}

void RunLoop::requestTurn()
{
    std::unique_lock lock(m_mutex);
    m_turnRequested = true;
    m_wake.unlockAndWake(lock);
}

void RunLoop::wakeUp()
{
    std::unique_lock lock(m_mutex);
    m_wakeRequested = true;
    m_wake.unlockAndWake(lock);
}

void RunLoop::quit()
{
    std::unique_lock lock(m_mutex);
    m_quitRequested = true;
    m_wake.unlockAndWake(lock);
}

bool RunLoop::ensureMainThread(const char* what) const
{
    if (isMainThread())
        return true;
    std::fprintf(stderr, "RunLoop::%s called off the main thread; ignored\n", what);
    return false;
}

void RunLoop::scheduleLocked(const std::shared_ptr<Timer>& timer, double fireDate)
{
    TimerKey key { fireDate, m_nextSequence++ };
    m_timers.emplace(key, timer);
    timer->m_scheduledKey = key;
    timer->m_fireDate = fireDate;
}

std::shared_ptr<Timer> RunLoop::unscheduleLocked(Timer& timer)
{
    if (!timer.m_scheduledKey)
        return nullptr;
    std::shared_ptr<Timer> held;
    auto it = m_timers.find(*timer.m_scheduledKey);
    if (it != m_timers.end()) {
        held = std::move(it->second);
        m_timers.erase(it);
    }
    timer.m_scheduledKey.reset();
    return held;
}

void RunLoop::invalidateTimer(Timer& timer)
{
    std::shared_ptr<const Timer::Body> body;
    std::shared_ptr<void> target;
    std::shared_ptr<Timer> held;
    {
        std::lock_guard lock(m_mutex);
        if (!timer.m_valid.exchange(false))
            return;
        held = unscheduleLocked(timer);
        body = std::move(timer.m_callback);
        target = std::move(timer.m_performTarget);
    }
    // The callback, its captures and perhaps the timer itself are released here,
    // outside the lock: their destructors may well call back into the loop.
}

bool RunLoop::hasWorkNowLocked(double now) const
{
    if (!m_posted.empty())
        return true;
    return !m_timers.empty() && m_timers.begin()->first.first <= now + dueTolerance;
}

void RunLoop::runOneTurn()
{
    double const turnTime = now();

    std::vector<std::shared_ptr<Timer>> due;
    std::vector<std::shared_ptr<Timer>> dead;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_timers.begin();
             it != m_timers.end() && it->first.first <= turnTime + dueTolerance;) {
            if (it->second->isValid()) {
                due.push_back((it++)->second);
                continue;
            }
            // Nothing would ever run or remove an invalid timer, and being due it would
            // keep the loop busy for ever.
            it->second->m_scheduledKey.reset();
            dead.push_back(std::move(it->second));
            it = m_timers.erase(it);
        }
    }
    dead.clear(); // Out of the lock: the last reference may go here.
    for (auto& timer : due) {
        {
            std::lock_guard lock(m_mutex);
            // An earlier callback of this turn may have invalidated or rescheduled it.
            if (!timer->isValid() || !timer->m_scheduledKey
                || timer->m_scheduledKey->first > turnTime + dueTolerance)
                continue;
            double const dueTime = timer->m_scheduledKey->first;
            auto held = unscheduleLocked(*timer);
            if (timer->m_repeats) {
                // Keep to the original grid; periods that passed unseen (a busy real
                // clock) are skipped rather than fired in a burst.
                double const interval = timer->m_interval;
                double next = dueTime + interval;
                if (next <= turnTime + dueTolerance)
                    next = dueTime + interval * (std::floor((turnTime - dueTime) / interval) + 1);
                while (next <= turnTime + dueTolerance)
                    next += interval;
                scheduleLocked(timer, next);
            }
        }
        timer->runBody(); // May invalidate the timer or cancel other timers of this turn.
        if (!timer->m_repeats)
            timer->invalidate();
    }
    due.clear();

    std::deque<Block> blocks;
    {
        std::lock_guard lock(m_mutex);
        blocks.swap(m_posted);
    }
    while (!blocks.empty()) {
        Block block = std::move(blocks.front());
        blocks.pop_front();
        block();
    }

    std::vector<Hook> hooks;
    {
        std::lock_guard lock(m_mutex);
        hooks = m_hooks;
    }
    for (auto& hook : hooks) {
        {
            // A hook removed by an earlier one must not run any more.
            std::lock_guard lock(m_mutex);
            if (std::none_of(
                    m_hooks.begin(), m_hooks.end(), [&](const Hook& live) { return live.id == hook.id; }))
                continue;
        }
        (*hook.block)();
    }
}

bool RunLoop::runUntilIdle()
{
    if (!ensureMainThread("runUntilIdle"))
        return false;
    for (int turn = 0; turn < maxTurnsPerRun; ++turn) {
        {
            std::lock_guard lock(m_mutex);
            if (!m_turnRequested && !hasWorkNowLocked(now()))
                return true;
            m_turnRequested = false;
        }
        runOneTurn();
    }
    std::fprintf(stderr, "RunLoop: still busy after %d turns at one instant; giving up\n", maxTurnsPerRun);
    return false;
}

void RunLoop::advance(double seconds)
{
    if (!ensureMainThread("advance"))
        return;
    auto clock = std::dynamic_pointer_cast<VirtualClock>(Clock::current());
    if (!runUntilIdle() || !clock)
        return;
    double const target = clock->monotonic() + sanitizedDelay(seconds);
    for (;;) {
        double next;
        {
            std::lock_guard lock(m_mutex);
            if (m_timers.empty())
                break;
            next = m_timers.begin()->first.first;
        }
        if (next > target + dueTolerance)
            break;
        clock->advanceTo(next);
        if (!runUntilIdle())
            return;
    }
    clock->advanceTo(target);
    runUntilIdle();
}

bool RunLoop::waitForWork(const std::function<bool()>& done)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_quitRequested)
            return false;
        if (m_turnRequested || !m_posted.empty())
            return true;
        if (m_wakeRequested) {
            m_wakeRequested = false;
            if (done)
                return true;
        }
        if (m_timers.empty()) {
            m_wake.wait(lock, -1);
            continue;
        }
        double const wait = m_timers.begin()->first.first - now();
        if (wait <= dueTolerance)
            return true;
        m_wake.wait(lock, std::min(wait, maxWaitSeconds));
    }
}

void RunLoop::run()
{
    if (!ensureMainThread("run"))
        return;
    for (;;) {
        runUntilIdle();
        if (!waitForWork(nullptr))
            break;
    }
    std::lock_guard lock(m_mutex);
    m_quitRequested = false;
}

void RunLoop::runUntil(const std::function<bool()>& done)
{
    if (!ensureMainThread("runUntil") || !done)
        return;
    for (;;) {
        runUntilIdle();
        if (done())
            return;
        if (!waitForWork(done))
            return;
    }
}

std::shared_ptr<VirtualClock> RunLoop::useVirtualClock()
{
    return useVirtualClock(VirtualClock::defaultWallTime);
}

std::shared_ptr<VirtualClock> RunLoop::useVirtualClock(double wallTime)
{
    auto clock = std::make_shared<VirtualClock>(wallTime);
    Clock::install(clock);
    reset();
    return clock;
}

void RunLoop::reset()
{
    bindToCurrentThread();
    discardPendingWork();
}

void RunLoop::shutDown()
{
    {
        std::lock_guard lock(m_mutex);
        m_shutDown = true;
    }
    discardPendingWork();
}

void RunLoop::discardPendingWork()
{
    std::deque<Block> posted;
    std::map<TimerKey, std::shared_ptr<Timer>> timers;
    std::vector<std::shared_ptr<const Timer::Body>> bodies;
    std::vector<std::shared_ptr<void>> targets;
    {
        std::lock_guard lock(m_mutex);
        posted.swap(m_posted);
        timers.swap(m_timers);
        for (auto& [key, timer] : timers) {
            timer->m_valid = false;
            timer->m_scheduledKey.reset();
            bodies.push_back(std::move(timer->m_callback));
            targets.push_back(std::move(timer->m_performTarget));
        }
        m_turnRequested = false;
        m_quitRequested = false;
        m_wakeRequested = false;
    }
    // Everything dropped is destroyed here, out of the lock.
}

} // namespace foundation
