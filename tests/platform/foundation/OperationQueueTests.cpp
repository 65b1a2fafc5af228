#include "LoopTestSupport.h"
#include "platform/foundation/BlockOperation.h"
#include "platform/foundation/OperationQueue.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace foundation;

namespace {

// Counts the operations inside main() and holds them there until released, so a
// test can see exactly how many run at once without sleeping.
class Gate {
public:
    void enter()
    {
        std::unique_lock lock(m_mutex);
        ++m_inside;
        m_peak = std::max(m_peak, m_inside);
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_released > 0; });
        --m_released;
        --m_inside;
        m_changed.notify_all();
    }
    void waitForInside(int count)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_inside == count; });
    }
    void release(int count)
    {
        std::lock_guard lock(m_mutex);
        m_released += count;
        m_changed.notify_all();
    }
    int peak()
    {
        std::lock_guard lock(m_mutex);
        return m_peak;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_inside { 0 };
    int m_released { 0 };
    int m_peak { 0 };
};

// Stays executing after start() until the test finishes it, as an operation whose
// work completes in a later callback does.
class AsyncOperation : public Operation {
public:
    bool isConcurrent() const override { return true; }
    void main() override { ++mainRuns; }
    void complete() { finish(); }
    std::atomic<int> mainRuns { 0 };
};

std::shared_ptr<BlockOperation> recording(
    std::vector<std::string>& order, std::mutex& mutex, std::string name)
{
    return BlockOperation::blockOperationWithBlock([&order, &mutex, name] {
        std::lock_guard lock(mutex);
        order.push_back(name);
    });
}

} // namespace

using OperationTest = VirtualLoopTest;

TEST_F(OperationTest, CancelledBeforeStartFinishesWithoutRunningMainAndCompletesOnce)
{
    auto operation = std::make_shared<AsyncOperation>();
    int completions = 0;
    operation->setCompletionBlock([&] { ++completions; });
    std::vector<std::string> keys;
    auto subscription
        = operation->observeState([&](Operation&, std::string_view key) { keys.emplace_back(key); });
    operation->cancel();
    operation->start();
    operation->start();
    operation->complete();
    EXPECT_EQ(operation->mainRuns, 0);
    EXPECT_TRUE(operation->isFinished());
    EXPECT_FALSE(operation->isExecuting());
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(keys, (std::vector<std::string> { "isCancelled", "isFinished" }));
}

TEST_F(OperationTest, ConcurrentOperationStaysExecutingUntilItFinishes)
{
    auto operation = std::make_shared<AsyncOperation>();
    std::vector<std::string> keys;
    auto subscription
        = operation->observeState([&](Operation&, std::string_view key) { keys.emplace_back(key); });
    operation->start();
    EXPECT_TRUE(operation->isExecuting());
    EXPECT_FALSE(operation->isFinished());
    std::thread finisher([&] { operation->complete(); });
    operation->waitUntilFinished();
    finisher.join();
    EXPECT_EQ(keys, (std::vector<std::string> { "isExecuting", "isExecuting", "isFinished" }));
}

TEST_F(OperationTest, ReadinessFollowsDependenciesAndCancellation)
{
    auto first = std::make_shared<Operation>();
    auto second = std::make_shared<Operation>();
    auto dependant = std::make_shared<Operation>();
    dependant->addDependency(first);
    dependant->addDependency(second);
    dependant->addDependency(dependant);
    EXPECT_EQ(dependant->dependencies().size(), 2u);
    first->start();
    EXPECT_FALSE(dependant->isReady());
    dependant->removeDependency(second);
    EXPECT_TRUE(dependant->isReady());
    // A dependency that already finished does not hold anything back.
    dependant->addDependency(first);
    EXPECT_TRUE(dependant->isReady());

    auto blocked = std::make_shared<Operation>();
    blocked->addDependency(second);
    blocked->cancel();
    EXPECT_TRUE(blocked->isReady());
}

TEST_F(OperationTest, BlocksThatCaptureTheirOperationDoNotKeepItAlive)
{
    std::weak_ptr<BlockOperation> ran;
    std::weak_ptr<BlockOperation> cancelled;
    {
        auto operation = std::make_shared<BlockOperation>();
        operation->addExecutionBlock([operation] {});
        operation->setCompletionBlock([operation] {});
        operation->start();
        ran = operation;

        auto never = std::make_shared<BlockOperation>();
        never->addExecutionBlock([never] {});
        never->cancel();
        cancelled = never;
    }
    EXPECT_TRUE(ran.expired());
    EXPECT_TRUE(cancelled.expired());
}

using OperationQueueTest = VirtualLoopTest;

TEST_F(OperationQueueTest, WidthBoundsRunningOperationsAndTakesEffectWhenChanged)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(2);
    Gate gate;
    std::vector<std::shared_ptr<Operation>> operations;
    for (int i = 0; i < 6; ++i)
        operations.push_back(BlockOperation::blockOperationWithBlock([&] { gate.enter(); }));
    queue.addOperations(operations, false);
    gate.waitForInside(2);
    EXPECT_EQ(queue.operationCount(), 6u);

    // Width 0: the two running go on, nothing new starts.
    queue.setMaxConcurrentOperationCount(0);
    gate.release(2);
    operations[0]->waitUntilFinished();
    operations[1]->waitUntilFinished();
    EXPECT_EQ(gate.peak(), 2);
    EXPECT_EQ(queue.operationCount(), 4u);

    queue.setMaxConcurrentOperationCount(3);
    gate.waitForInside(3);
    gate.release(4);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(gate.peak(), 3);
}

TEST_F(OperationQueueTest, ConcurrentOperationHoldsItsSlotUntilItFinishes)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    auto connection = std::make_shared<AsyncOperation>();
    std::atomic<bool> nextRan { false };
    auto next = BlockOperation::blockOperationWithBlock([&] { nextRan = true; });
    queue.addOperation(connection);
    queue.addOperation(next);
    while (connection->mainRuns == 0)
        std::this_thread::yield();
    EXPECT_FALSE(nextRan);
    EXPECT_EQ(queue.operationCount(), 2u);
    connection->complete();
    next->waitUntilFinished();
    EXPECT_TRUE(nextRan);
}

TEST_F(OperationQueueTest, ReadyOperationsStartByPriorityThenOrderAddedAndDependenciesGiveLastInFirstOut)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    queue.setSuspended(true);
    std::mutex mutex;
    std::vector<std::string> order;
    auto low = recording(order, mutex, "low");
    low->setQueuePriority(OperationQueuePriority::Low);
    auto high1 = recording(order, mutex, "high1");
    high1->setQueuePriority(OperationQueuePriority::High);
    auto normal = recording(order, mutex, "normal");
    auto high2 = recording(order, mutex, "high2");
    high2->setQueuePriority(OperationQueuePriority::High);
    queue.addOperations({ low, high1, normal, high2 }, false);
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(order, (std::vector<std::string> { "high1", "high2", "normal", "low" }));

    // Each new operation makes the one added before it wait for it, after both are queued.
    order.clear();
    queue.setSuspended(true);
    std::shared_ptr<Operation> last;
    for (auto name : { "a", "b", "c" }) {
        auto operation = recording(order, mutex, name);
        queue.addOperation(operation);
        if (last)
            last->addDependency(operation);
        last = operation;
    }
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(order, (std::vector<std::string> { "c", "b", "a" }));
}

TEST_F(OperationQueueTest, CancelledOperationsLeaveAQueueOfWidthZeroButWaitOutASuspension)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(0);
    std::atomic<int> ran { 0 };
    for (int i = 0; i < 3; ++i)
        queue.addOperationWithBlock([&] { ++ran; });
    queue.setSuspended(true);
    queue.cancelAllOperations();
    EXPECT_EQ(queue.operationCount(), 3u);
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran, 0);
}

TEST_F(OperationQueueTest, DestroyedQueueFinishesWhatItNeverStarted)
{
    auto waiting = std::make_shared<AsyncOperation>();
    {
        OperationQueue queue;
        queue.setSuspended(true);
        queue.addOperation(waiting);
    }
    waiting->waitUntilFinished();
    EXPECT_TRUE(waiting->isCancelled());
    EXPECT_EQ(waiting->mainRuns, 0);
}

TEST_F(OperationQueueTest, AnOperationIsRefusedBySecondQueueAndRunsOnce)
{
    OperationQueue first;
    OperationQueue second;
    first.setSuspended(true);
    std::atomic<int> runs { 0 };
    auto operation = BlockOperation::blockOperationWithBlock([&] { ++runs; });
    first.addOperation(operation);
    second.addOperation(operation);
    first.addOperation(operation);
    EXPECT_EQ(second.operationCount(), 0u);
    EXPECT_EQ(first.operationCount(), 1u);
    first.setSuspended(false);
    first.waitUntilAllOperationsAreFinished();
    second.addOperation(operation);
    EXPECT_EQ(second.operationCount(), 0u);
    EXPECT_EQ(runs, 1);
}

TEST_F(OperationQueueTest, CountObserverEndsOnTheCurrentCountWithoutOverlappingCalls)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(4);
    std::atomic<int> inside { 0 };
    std::atomic<bool> overlapped { false };
    std::atomic<size_t> last { 99 };
    std::atomic<bool> addedFromObserver { false };
    auto subscription = queue.observeOperationCount([&](size_t count) {
        if (++inside > 1)
            overlapped = true;
        // Changing the count from inside the observer neither deadlocks nor recurses.
        if (count >= 10 && !addedFromObserver.exchange(true))
            queue.addOperationWithBlock([] {});
        last = count;
        --inside;
    });
    std::vector<std::thread> adders;
    for (int t = 0; t < 4; ++t) {
        adders.emplace_back([&] {
            for (int i = 0; i < 50; ++i)
                queue.addOperationWithBlock([] {});
        });
    }
    for (auto& adder : adders)
        adder.join();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(last, 0u);
}

TEST_F(OperationQueueTest, CompletionBlocksAndObserversMayAddAndCancelWhileOthersFinish)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(3);
    std::atomic<int> completions { 0 };
    std::atomic<int> chained { 0 };
    std::function<void()> chain = [&] {
        if (++chained < 100) {
            auto next = BlockOperation::blockOperationWithBlock([] {});
            next->setCompletionBlock(chain);
            queue.addOperation(next);
        }
    };
    chain();
    std::vector<Subscription> subscriptions;
    for (int i = 0; i < 200; ++i) {
        auto operation = BlockOperation::blockOperationWithBlock([] {});
        operation->setCompletionBlock([&] { ++completions; });
        if (i % 50 == 0) {
            subscriptions.push_back(operation->observeState([&](Operation&, std::string_view key) {
                if (key == Operation::isFinishedKey)
                    queue.cancelAllOperations();
            }));
        }
        queue.addOperation(operation);
    }
    std::thread canceller([&] { queue.cancelAllOperations(); });
    canceller.join();
    queue.waitUntilAllOperationsAreFinished();
    // Every operation ends exactly once, run or cancelled.
    EXPECT_EQ(completions, 200);
    EXPECT_EQ(queue.operationCount(), 0u);
}

TEST_F(OperationQueueTest, MainQueueRunsOperationsOnTheMainThreadWhenTheLoopTurns)
{
    auto queue = OperationQueue::mainQueue();
    std::atomic<bool> onMain { false };
    std::thread adder([&] { queue->addOperationWithBlock([&] { onMain = RunLoop::isMainThread(); }); });
    adder.join();
    EXPECT_EQ(queue->operationCount(), 1u);
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(onMain);

    // A start dropped with the loop's pending work must not leave the operation
    // queued for ever.
    auto dropped = std::make_shared<AsyncOperation>();
    queue->addOperation(dropped);
    loop().reset();
    EXPECT_TRUE(dropped->isFinished());
    EXPECT_EQ(dropped->mainRuns, 0);
    EXPECT_EQ(queue->operationCount(), 0u);
}
