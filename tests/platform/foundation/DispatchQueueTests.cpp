#include "LoopTestSupport.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/PostBatch.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace foundation;

namespace {

// Lets two blocks prove they ran at the same time: each waits for the other to
// arrive. The wait is bounded only so that a regression fails instead of hanging.
class Rendezvous {
public:
    bool arriveAndWait(int parties)
    {
        std::unique_lock lock(m_mutex);
        ++m_arrived;
        m_changed.notify_all();
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_arrived >= parties; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_arrived { 0 };
};

} // namespace

using DispatchQueueTest = VirtualLoopTest;

TEST_F(DispatchQueueTest, SerialQueueRunsBlocksOneAtATimeInOrder)
{
    auto queue = DispatchQueue::createSerial("test.serial");
    std::vector<int> order;
    std::atomic<int> active { 0 };
    std::atomic<bool> overlapped { false };
    for (int i = 0; i < 200; ++i) {
        queue->async([&, i] {
            if (++active > 1)
                overlapped = true;
            order.push_back(i);
            --active;
        });
    }
    // A sync from another thread takes its place in line behind the blocks queued before it.
    queue->sync([&] { order.push_back(-1); });
    queue->syncFlush();
    ASSERT_EQ(order.size(), 201u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_EQ(order.back(), -1);
    EXPECT_FALSE(overlapped);
}

// What a block holds went only after the queue was seen idle: a cache that
// flushed its queue and let go was, now and then, destroyed a moment later on
// the queue's thread, still closing its files while its owner went on to
// move or delete them. A flush returns only once what the blocks held is gone.
TEST_F(DispatchQueueTest, SyncFlushReturnsOnlyOnceWhatTheBlocksHeldIsReleased)
{
    for (auto queue :
        { DispatchQueue::createSerial("test.release"), DispatchQueue::createConcurrent("test.release") }) {
        std::atomic<bool> flushed { false };
        std::atomic<int> seenAfterFlush { 0 };
        // Held by each block; on release it waits a little for a flush that has
        // already returned, which a flush made to wait for it never has.
        struct Held {
            Held(std::atomic<bool>& flushed, std::atomic<int>& seenAfterFlush)
                : flushed(flushed)
                , seenAfterFlush(seenAfterFlush)
            {
            }
            std::atomic<bool>& flushed;
            std::atomic<int>& seenAfterFlush;
            ~Held()
            {
                for (int spin = 0; spin < 20000 && !flushed; ++spin)
                    std::this_thread::yield();
                seenAfterFlush += flushed ? 1 : 0;
            }
        };
        for (int round = 0; round < 5; ++round) {
            flushed = false;
            queue->async([held = std::make_shared<Held>(flushed, seenAfterFlush)] { (void)held; });
            // From a thread of its own, as a cache's owner flushes.
            std::thread owner([&] {
                queue->syncFlush();
                flushed = true;
            });
            owner.join();
        }
        EXPECT_EQ(seenAfterFlush, 0) << queue->label();
    }
    // What a block held may flush its queue as it goes, as from the block itself.
    auto queue = DispatchQueue::createSerial("test.release");
    std::atomic<bool> gone { false };
    struct Flushing {
        Flushing(std::shared_ptr<DispatchQueue> queue, std::atomic<bool>& gone)
            : queue(std::move(queue))
            , gone(gone)
        {
        }
        std::shared_ptr<DispatchQueue> queue;
        std::atomic<bool>& gone;
        ~Flushing()
        {
            queue->syncFlush();
            queue->sync([] {});
            gone = true;
        }
    };
    queue->async([held = std::make_shared<Flushing>(queue, gone)] { (void)held; });
    queue->syncFlush();
    EXPECT_TRUE(gone);
}

TEST_F(DispatchQueueTest, MainQueueRunsBlocksFromWorkersInOrderOnTheMainThread)
{
    auto worker = DispatchQueue::createSerial("test.poster");
    std::vector<int> order;
    bool allOnMain = true;
    for (int i = 0; i < 50; ++i) {
        worker->async([&, i] {
            DispatchQueue::main()->async([&, i] {
                order.push_back(i);
                allOnMain = allOnMain && DispatchQueue::isMainThread();
            });
        });
    }
    worker->syncFlush();
    loop().runUntilIdle();
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_TRUE(allOnMain);
}

TEST_F(DispatchQueueTest, SyncFromWorkerWaitsUntilTheMainThreadRanTheBlock)
{
    int value = 0;
    int seenAfterSync = -1;
    bool ranOnMain = false;
    auto worker = DispatchQueue::global();
    worker->async([&] {
        DispatchQueue::main()->sync([&] {
            ranOnMain = DispatchQueue::isMainThread();
            value = 42;
        });
        seenAfterSync = value;
    });
    // The flush keeps the main loop turning, or the worker would wait for ever.
    worker->syncFlush();
    EXPECT_TRUE(ranOnMain);
    EXPECT_EQ(seenAfterSync, 42);
}

TEST_F(DispatchQueueTest, MainQueueSyncOnTheMainThreadRunsAtOnce)
{
    bool ran = false;
    DispatchQueue::main()->sync([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST_F(DispatchQueueTest, SyncOntoTheQueueItIsRunningOnDoesNotDeadlock)
{
    auto queue = DispatchQueue::createSerial("test.reentrant");
    bool inner = false;
    queue->sync([&] { queue->sync([&] { inner = true; }); });
    EXPECT_TRUE(inner);
}

TEST_F(DispatchQueueTest, BarrierRunsAloneBetweenTheBlocksAroundIt)
{
    auto queue = DispatchQueue::createConcurrent("test.barrier");
    std::atomic<int> active { 0 };
    std::atomic<int> before { 0 };
    std::atomic<int> after { 0 };
    std::atomic<bool> barrierRunning { false };
    std::atomic<bool> violated { false };
    auto plain = [&](std::atomic<int>& count) {
        return [&] {
            ++active;
            if (barrierRunning)
                violated = true;
            ++count;
            --active;
        };
    };
    for (int i = 0; i < 30; ++i)
        queue->async(plain(before));
    queue->barrierAsync([&] {
        barrierRunning = true;
        if (active != 0 || before != 30 || after != 0)
            violated = true;
        barrierRunning = false;
    });
    for (int i = 0; i < 30; ++i)
        queue->async(plain(after));
    int afterSeenByBarrierSync = -1;
    queue->barrierSync([&] { afterSeenByBarrierSync = after; });
    EXPECT_EQ(afterSeenByBarrierSync, 30);
    EXPECT_FALSE(violated);
}

TEST_F(DispatchQueueTest, ConcurrentQueueRunsPlainBlocksTogether)
{
    auto queue = DispatchQueue::createConcurrent("test.concurrent");
    Rendezvous rendezvous;
    std::atomic<int> met { 0 };
    for (int i = 0; i < 3; ++i)
        queue->async([&] { met += rendezvous.arriveAndWait(3) ? 1 : 0; });
    queue->syncFlush();
    EXPECT_EQ(met, 3);
}

TEST_F(DispatchQueueTest, DispatchAfterFollowsTheLoopClock)
{
    std::vector<std::string> log;
    auto worker = DispatchQueue::createSerial("test.after");
    DispatchQueue::main()->after(0.5, [&] { log.push_back("main"); });
    worker->after(0.1, [&] { log.push_back("worker"); });
    loop().advance(0.4);
    worker->syncFlush();
    EXPECT_EQ(log, (std::vector<std::string> { "worker" }));
    loop().advance(0.1);
    EXPECT_EQ(log, (std::vector<std::string> { "worker", "main" }));
}

TEST_F(DispatchQueueTest, MainQueueBlockComingDueWaitsBehindBlocksAlreadyQueued)
{
    std::vector<std::string> log;
    auto main = DispatchQueue::main();
    main->async([&] { log.push_back("B"); });
    main->after(0, [&] { log.push_back("C"); });
    loop().runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string> { "B", "C" }));

    log.clear();
    main->after(1.0, [&] { log.push_back("C"); });
    m_clock->advanceTo(1.0); // Time passes while the loop is busy elsewhere.
    main->async([&] { log.push_back("B"); });
    loop().runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string> { "B", "C" }));
}

TEST_F(DispatchQueueTest, BatchedPostsArriveInOrderWithTheNextPostOnceToldAndLaterPostsGoAtOnce)
{
    std::vector<std::string> log;
    std::mutex mutex;
    std::condition_variable changed;
    int stage = 0;
    auto advanceTo = [&](int next) {
        {
            std::lock_guard lock(mutex);
            stage = next;
        }
        changed.notify_all();
    };
    auto waitFor = [&](int wanted) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stage >= wanted; });
    };
    std::thread reporter([&] {
        PostBatch outer;
        DispatchQueue::main()->async([&] { log.push_back("head"); });
        {
            PostBatch inner; // Adds nothing: the outer batch hands everything over.
            DispatchQueue::main()->async([&] { log.push_back("body"); });
        }
        advanceTo(1);
        waitFor(2);
        PostBatch::endWithNextPost();
        DispatchQueue::main()->async([&] { log.push_back("end"); });
        DispatchQueue::main()->async([&] { log.push_back("after"); });
        advanceTo(3);
        waitFor(4); // The batch object outlives the main thread's look.
    });
    waitFor(1);
    loop().runUntilIdle();
    EXPECT_TRUE(log.empty());
    advanceTo(2);
    waitFor(3);
    loop().runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string> { "head", "body", "end", "after" }));
    advanceTo(4);
    reporter.join();
}

TEST_F(DispatchQueueTest, SyncToMainFromABatchDoesNotWaitForEverBehindItsOwnHeldPosts)
{
    std::vector<std::string> log;
    std::atomic<bool> finished { false };
    std::thread reporter([&] {
        PostBatch batch;
        DispatchQueue::main()->async([&] { log.push_back("held"); });
        DispatchQueue::main()->sync([&] { log.push_back("sync"); });
        finished = true;
        loop().wakeUp();
    });
    loop().runUntil([&] { return finished.load(); });
    reporter.join();
    EXPECT_EQ(log, (std::vector<std::string> { "held", "sync" }));
}
