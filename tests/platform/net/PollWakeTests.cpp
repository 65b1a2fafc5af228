#include "platform/net/PollWake.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <poll.h>
#include <thread>

using namespace net;

namespace {

// Whether the owner's poll() would return now for the wake-up descriptor.
bool readable(const PollWake& wake, int timeoutMilliseconds = 0)
{
    pollfd entry { wake.descriptor(), POLLIN, 0 };
    return ::poll(&entry, 1, timeoutMilliseconds) == 1 && (entry.revents & POLLIN);
}

} // namespace

// A waker that finds the owner awake writes nothing, so the owner must learn of the
// work before it sleeps; one that finds it asleep must write, or the work waits for
// the poll's time-out. Later wakes before the owner takes its work share that byte,
// which the owner takes on waking so that its next poll sleeps.
TEST(PollWake, a_wake_reaches_the_owner_whether_it_is_awake_or_asleep_and_leaves_no_byte_behind)
{
    PollWake wake;
    ASSERT_GE(wake.descriptor(), 0);

    wake.takingWork();
    wake.wake();
    EXPECT_TRUE(wake.woken());
    EXPECT_FALSE(readable(wake));
    EXPECT_FALSE(wake.prepareToSleep());
    wake.awake(false);

    wake.takingWork();
    EXPECT_FALSE(wake.woken());
    ASSERT_TRUE(wake.prepareToSleep());
    wake.wake();
    wake.wake();
    ASSERT_TRUE(readable(wake));
    wake.awake(true);
    EXPECT_FALSE(readable(wake));

    // Work handed over after the owner took its queues again wakes it again.
    wake.takingWork();
    ASSERT_TRUE(wake.prepareToSleep());
    wake.wake();
    EXPECT_TRUE(readable(wake));
    wake.awake(true);
}

// An owner that spins, then sleeps, against a waker on another thread: a wake lost
// between the owner's last look and its sleep leaves it asleep with work queued,
// which here shows as a poll that runs to its time-out. (ThreadSanitizer also sees
// the flags' ordering here.)
TEST(PollWake, work_handed_over_from_another_thread_never_waits_for_the_owners_time_out)
{
    PollWake wake;
    constexpr int items = 20000;
    std::atomic<int> queued { 0 };
    int taken = 0;
    int timedOut = 0;
    std::thread waker([&] {
        for (int i = 0; i < items; ++i) {
            queued.fetch_add(1);
            wake.wake();
            if (i % 64 == 0)
                std::this_thread::yield();
        }
    });
    while (taken < items && timedOut == 0) {
        wake.takingWork();
        taken = queued.load();
        if (taken == items)
            break;
        bool woke = false;
        if (!wake.spinFor(std::chrono::microseconds(taken % 3 == 0 ? 0 : 5)) && wake.prepareToSleep()) {
            woke = readable(wake, 10000);
            if (!woke)
                ++timedOut;
        }
        wake.awake(woke);
    }
    waker.join();
    EXPECT_EQ(timedOut, 0);
    EXPECT_EQ(taken, items);
}
