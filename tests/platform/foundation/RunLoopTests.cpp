#include "LoopTestSupport.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Timer.h"
#include "platform/foundation/WakeChannel.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace foundation;

namespace foundation {

struct RunLoopTestAccess {
    // What addTimer() on one thread and invalidate() on another could leave behind when
    // the invalidation fell between the validity check and the scheduling.
    static void scheduleInvalidated(RunLoop& loop, const std::shared_ptr<Timer>& timer)
    {
        double const due = timer->fireDate();
        timer->invalidate();
        std::lock_guard lock(loop.m_mutex);
        loop.scheduleLocked(timer, due);
    }
};

} // namespace foundation

namespace {

struct Target {
    int calls { 0 };
};

} // namespace

using TimerTest = VirtualLoopTest;

TEST_F(TimerTest, RepeatingTimerFiredAtOnceKeepsItsSchedule)
{
    std::vector<double> ticks;
    auto timer = Timer::scheduledTimer(2.0, true, [&] { ticks.push_back(now()); });
    timer->fire();
    loop().advance(1.9);
    EXPECT_EQ(ticks, (std::vector<double> { 0.0 }));
    loop().advance(0.1);
    loop().advance(4.0);
    EXPECT_EQ(ticks, (std::vector<double> { 0.0, 2.0, 4.0, 6.0 }));
    EXPECT_TRUE(timer->isValid());
}

TEST_F(TimerTest, AdvanceFiresEverythingInTimeOrderAtItsOwnInstant)
{
    std::vector<std::string> log;
    auto record = [&](std::string what) { log.push_back(what + "@" + std::to_string(now()).substr(0, 3)); };
    auto oneShot = Timer::scheduledTimer(1.2, false, [&] { record("once"); });
    auto repeating = Timer::scheduledTimer(0.5, true, [&] { record("tick"); });
    loop().performAfterDelay(std::make_shared<Target>(), 0.7, [&] { record("perform"); });

    loop().advance(1.5);
    EXPECT_EQ(
        log, (std::vector<std::string> { "tick@0.5", "perform@0.7", "tick@1.0", "once@1.2", "tick@1.5" }));
    EXPECT_FALSE(oneShot->isValid());
    EXPECT_DOUBLE_EQ(now(), 1.5);
}

TEST_F(TimerTest, ShortPeriodsDoNotDriftPastTheirDueTimes)
{
    // 0.2 added up five times is not exactly 1.0; the tick due "at 1.0" must still come.
    int ticks = 0;
    auto timer = Timer::scheduledTimer(0.2, true, [&] { ++ticks; });
    for (int i = 0; i < 10; ++i)
        loop().advance(0.1);
    EXPECT_EQ(ticks, 5);
}

TEST_F(TimerTest, InvalidatedTimerNeitherFiresNorKeepsItsTarget)
{
    auto target = std::make_shared<Target>();
    std::weak_ptr<Target> watch = target;
    auto timer = Timer::scheduledTimer(1.0, true, [target] { ++target->calls; });
    target.reset();

    loop().advance(1.0);
    EXPECT_EQ(watch.lock()->calls, 1);
    timer->invalidate();
    EXPECT_TRUE(watch.expired());
    loop().advance(5.0);
    timer->fire();
    EXPECT_FALSE(timer->isValid());
}

TEST_F(TimerTest, TimerMayInvalidateItselfAndDropItsLastReference)
{
    std::shared_ptr<Timer> timer;
    int calls = 0;
    timer = Timer::scheduledTimer(1.0, true, [&] {
        ++calls;
        timer->invalidate();
        timer.reset();
    });
    loop().advance(3.0);
    EXPECT_EQ(calls, 1);
}

TEST_F(TimerTest, OneShotTimerKeepsTargetAliveUntilItFires)
{
    auto target = std::make_shared<Target>();
    std::weak_ptr<Target> watch = target;
    Timer::scheduledTimer(1.0, false, [target] { ++target->calls; });
    target.reset();

    loop().advance(0.5);
    ASSERT_FALSE(watch.expired());
    loop().advance(0.5);
    EXPECT_TRUE(watch.expired());
}

TEST_F(TimerTest, FiredOneShotTimerIsInvalidatedAndDoesNotFireAgain)
{
    int calls = 0;
    auto timer = Timer::scheduledTimer(1.0, false, [&] { ++calls; });
    timer->fire();
    EXPECT_FALSE(timer->isValid());
    loop().advance(2.0);
    EXPECT_EQ(calls, 1);
}

TEST_F(TimerTest, TimerWhoseOwnerIsGoneStopsWithoutCallingIt)
{
    auto owner = std::make_shared<Target>();
    auto timer
        = Timer::scheduledWeak(1.0, true, std::weak_ptr<Target>(owner), [](Target& self) { ++self.calls; });
    loop().advance(1.0);
    EXPECT_EQ(owner->calls, 1);
    owner.reset();
    loop().advance(1.0);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(TimerTest, CallbackCanInvalidateAnotherTimerDueAtTheSameInstant)
{
    int secondCalls = 0;
    std::shared_ptr<Timer> second;
    auto first = Timer::scheduledTimer(1.0, false, [&] { second->invalidate(); });
    second = Timer::scheduledTimer(1.0, false, [&] { ++secondCalls; });
    loop().advance(1.0);
    EXPECT_EQ(secondCalls, 0);
}

TEST_F(TimerTest, ZeroIntervalRepeatingTimerDoesNotHangTheLoop)
{
    int calls = 0;
    auto timer = Timer::scheduledTimer(0, true, [&] { ++calls; });
    loop().runUntilIdle();
    loop().advance(0.001);
    EXPECT_GE(calls, 1);
    EXPECT_LE(calls, 11);
}

TEST_F(TimerTest, InvalidTimerLeftInTheScheduleIsDroppedInsteadOfKeepingTheLoopBusy)
{
    int calls = 0;
    auto dueNow = Timer::create(0, false, [&] { ++calls; });
    auto dueLater = Timer::create(1.0, true, [&] { ++calls; });
    RunLoopTestAccess::scheduleInvalidated(loop(), dueNow);
    RunLoopTestAccess::scheduleInvalidated(loop(), dueLater);

    EXPECT_TRUE(loop().runUntilIdle());
    EXPECT_EQ(dueNow.use_count(), 1) << "the loop still holds the invalid timer";
    loop().advance(2.0);
    EXPECT_EQ(dueLater.use_count(), 1);
    EXPECT_DOUBLE_EQ(now(), 2.0);
    EXPECT_EQ(calls, 0);
}

using PerformTest = VirtualLoopTest;

TEST_F(PerformTest, CancelDropsOnlyThePerformsOfThatTarget)
{
    auto a = std::make_shared<Target>();
    auto b = std::make_shared<Target>();
    std::weak_ptr<Target> watchA = a;
    loop().performAfterDelay(a, 0.5, [target = a.get()] { ++target->calls; });
    loop().performAfterDelay(a, 0.3, [target = a.get()] { ++target->calls; });
    loop().performAfterDelay(b, 0.5, [target = b.get()] { ++target->calls; });
    a.reset();
    ASSERT_FALSE(watchA.expired()) << "a pending perform keeps its target alive";

    // Had A's performs survived the cancel, they would touch a freed object.
    loop().cancelPreviousPerformRequests(watchA.lock());
    EXPECT_TRUE(watchA.expired());
    loop().advance(1.0);
    EXPECT_EQ(b->calls, 1);
}

TEST_F(PerformTest, PerformCanCancelAndRescheduleItsOwnTarget)
{
    auto target = std::make_shared<Target>();
    std::function<void()> again = [&] {
        ++target->calls;
        loop().cancelPreviousPerformRequests(target);
        if (target->calls < 3)
            loop().performAfterDelay(target, 0.5, again);
    };
    loop().performAfterDelay(target, 0.5, again);
    loop().performAfterDelay(target, 0.7, [&] { target->calls += 100; });
    loop().advance(5.0);
    EXPECT_EQ(target->calls, 3);
}

using MainLoopTest = VirtualLoopTest;

TEST_F(MainLoopTest, PostedBlocksRunInOrderAndLaterPostsWaitForTheNextTurn)
{
    std::vector<std::string> log;
    auto hook = loop().addEndOfTurnHook([&] { log.push_back("layout"); });
    loop().post([&] {
        log.push_back("a");
        loop().post([&] { log.push_back("c"); });
    });
    loop().post([&] { log.push_back("b"); });
    loop().runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string> { "a", "b", "layout", "c", "layout" }));
}

TEST_F(MainLoopTest, LayoutRequestedDuringTheLoopIsHandledBeforeItGoesIdle)
{
    int passes = 0;
    int dirtiesAgain = 1;
    bool needsLayout = false;
    auto hook = loop().addEndOfTurnHook([&] {
        if (!needsLayout)
            return;
        needsLayout = false;
        ++passes;
        // Laying out one view can dirty another: that needs one more pass.
        if (dirtiesAgain-- > 0) {
            needsLayout = true;
            loop().requestTurn();
        }
    });
    loop().post([&] { needsLayout = true; });
    loop().runUntilIdle();
    EXPECT_EQ(passes, 2);

    needsLayout = true;
    loop().requestTurn();
    loop().runUntilIdle();
    EXPECT_EQ(passes, 3);
    EXPECT_FALSE(needsLayout);
}

TEST_F(MainLoopTest, RemovedHookDoesNotRun)
{
    int calls = 0;
    auto hook = loop().addEndOfTurnHook([&] { ++calls; });
    hook.reset();
    loop().requestTurn();
    loop().runUntilIdle();
    EXPECT_EQ(calls, 0);
}

TEST_F(MainLoopTest, RunUntilIdleDoesNotMoveTime)
{
    int calls = 0;
    Timer::scheduledTimer(1.0, false, [&] { ++calls; });
    loop().runUntilIdle();
    EXPECT_EQ(calls, 0);
    EXPECT_DOUBLE_EQ(now(), 0.0);
}

TEST_F(MainLoopTest, WorkScheduledFromAnotherThreadRunsOnTheMainThread)
{
    std::vector<bool> onMain;
    std::thread worker([&] {
        EXPECT_FALSE(RunLoop::isMainThread());
        loop().post([&] { onMain.push_back(RunLoop::isMainThread()); });
        Timer::scheduledTimer(1.0, false, [&] { onMain.push_back(RunLoop::isMainThread()); });
    });
    worker.join();
    loop().advance(1.0);
    EXPECT_EQ(onMain, (std::vector<bool> { true, true }));
}

TEST_F(MainLoopTest, RunReturnsWhenAnotherThreadQuits)
{
    std::thread worker([&] { loop().post([&] { loop().quit(); }); });
    loop().run();
    worker.join();
}

TEST_F(MainLoopTest, PostsFromAnotherThreadWakeTheSleepingLoopEveryTime)
{
    // Each post lands wherever the main thread happens to be: still running the last
    // block, deciding to sleep, asleep, or waking. A wake-up lost at any of those
    // moments leaves the loop asleep for good and the test hanging.
    constexpr int rounds = 2000;
    std::atomic<int> ran { 0 };
    std::thread worker([&] {
        for (int round = 0; round < rounds; ++round) {
            while (ran.load() < round)
                std::this_thread::yield();
            loop().post([&] { ++ran; });
        }
    });
    loop().runUntil([&] { return ran.load() == rounds; });
    worker.join();
    EXPECT_EQ(ran.load(), rounds);
}

TEST(WakeChannel, WaitOfNoTimeReturnsAtOnceAndOnlyANegativeTimeHasNoLimit)
{
    std::mutex mutex;
    WakeChannel channel;
    std::unique_lock lock(mutex);
    channel.wait(lock, 0);
    EXPECT_TRUE(lock.owns_lock());
    EXPECT_FALSE(channel.wakeNeededLocked()) << "nobody sleeps once the wait has returned";
}

// The waker lands wherever the sleeper is: awake, spinning for a wake-up it expects
// after the last came quickly, between the spin's last look and its sleep, or asleep.
// A waker that finds it spinning writes no byte, so a sleeper that goes from its spin
// to sleep without seeing the flag sleeps through the work, as does every later wait
// (the flag stands for a wake-up already on its way); here that shows as a wait that
// runs to its time-out with work queued.
TEST(WakeChannel, a_wake_up_reaches_the_sleeper_whether_it_spins_sleeps_or_is_between)
{
    using SteadyClock = std::chrono::steady_clock;
    constexpr int items = 3000;
    constexpr double timeout = 2.0;
    std::mutex mutex;
    WakeChannel channel;
    int queued = 0;
    std::thread waker([&] {
        for (int item = 0; item < items; ++item) {
            // Pauses from none to longer than the spin, so that the sleeper is found in
            // every state it passes through.
            auto const until = SteadyClock::now() + std::chrono::microseconds((item * 37) % 300);
            while (SteadyClock::now() < until) { }
            std::unique_lock lock(mutex);
            ++queued;
            channel.unlockAndWake(lock);
        }
    });
    int seen = 0;
    int timedOut = 0;
    {
        std::unique_lock lock(mutex);
        while (seen < items && timedOut == 0) {
            if (queued != seen) {
                seen = queued;
                continue;
            }
            auto const started = SteadyClock::now();
            channel.wait(lock, timeout);
            if (queued != seen && SteadyClock::now() - started >= std::chrono::duration<double>(timeout))
                ++timedOut;
        }
    }
    waker.join();
    EXPECT_EQ(timedOut, 0);
    EXPECT_EQ(seen, items);
}

TEST_F(MainLoopTest, WallClockCanBePinnedAndFollowsAdvance)
{
    m_clock->setNow(1000.0);
    loop().advance(2.5);
    EXPECT_DOUBLE_EQ(Clock::current()->now(), 1002.5);
}
