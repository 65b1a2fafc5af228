#include "platform/foundation/DispatchQueue.h"

#include "platform/foundation/PostBatch.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/foundation/WorkerPool.h"

#include <algorithm>
#include <new>
#include <vector>

namespace foundation {

namespace {

// The queues whose blocks the current thread is inside, innermost last; a sync onto
// one of them would wait for itself.
thread_local std::vector<const DispatchQueue*> t_runningQueues;

class RunningScope {
public:
    explicit RunningScope(const DispatchQueue* queue) { t_runningQueues.push_back(queue); }
    ~RunningScope() { t_runningQueues.pop_back(); }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;
};

// Wakes the thread waiting in a main-queue sync whether the block ran or was dropped
// unrun (the loop was reset): a waiter must never hang on a block that is gone.
struct MainSyncState {
    std::mutex mutex;
    std::condition_variable done;
    bool finished { false };

    void finish()
    {
        std::lock_guard lock(mutex);
        finished = true;
        done.notify_all();
    }
};

class MainSyncSignal {
public:
    explicit MainSyncSignal(std::shared_ptr<MainSyncState> state)
        : m_state(std::move(state))
    {
    }
    MainSyncSignal(const MainSyncSignal&) = delete;
    MainSyncSignal& operator=(const MainSyncSignal&) = delete;
    ~MainSyncSignal() { m_state->finish(); }

private:
    std::shared_ptr<MainSyncState> m_state;
};

} // namespace

DispatchQueue::DispatchQueue(Private, Kind kind, std::string label, Priority priority)
    : m_kind(kind)
    , m_label(std::move(label))
    , m_priority(priority)
{
}

namespace {

struct StandardQueues {
    using Kind = DispatchQueue::Kind;
    using Priority = DispatchQueue::Priority;
    std::shared_ptr<DispatchQueue> main { std::make_shared<DispatchQueue>(
        DispatchQueue::Private {}, Kind::Main, "main") };
    std::shared_ptr<DispatchQueue> normal { std::make_shared<DispatchQueue>(
        DispatchQueue::Private {}, Kind::Global, "global.default") };
    std::shared_ptr<DispatchQueue> high { std::make_shared<DispatchQueue>(
        DispatchQueue::Private {}, Kind::Global, "global.high", Priority::High) };
};

// Never destroyed: the worker pool drains its jobs at exit, after every static made
// later than it is gone, and those jobs still ask for these queues.
struct StandardQueuesStorage {
    StandardQueuesStorage() { new (&m_queues) StandardQueues(); }
    ~StandardQueuesStorage() { }
    StandardQueuesStorage(const StandardQueuesStorage&) = delete;
    StandardQueuesStorage& operator=(const StandardQueuesStorage&) = delete;
    union {
        StandardQueues m_queues;
    };
};

StandardQueues& standardQueues()
{
    static StandardQueuesStorage storage;
    return storage.m_queues;
}

} // namespace

std::shared_ptr<DispatchQueue> DispatchQueue::main()
{
    return standardQueues().main;
}

std::shared_ptr<DispatchQueue> DispatchQueue::global(Priority priority)
{
    auto& queues = standardQueues();
    return priority == Priority::High ? queues.high : queues.normal;
}

std::shared_ptr<DispatchQueue> DispatchQueue::createSerial(std::string label)
{
    return std::make_shared<DispatchQueue>(Private {}, Kind::Serial, std::move(label));
}

std::shared_ptr<DispatchQueue> DispatchQueue::createConcurrent(std::string label)
{
    return std::make_shared<DispatchQueue>(Private {}, Kind::Concurrent, std::move(label));
}

bool DispatchQueue::isMainThread()
{
    return RunLoop::isMainThread();
}

void DispatchQueue::async(Block block)
{
    if (!block)
        return;
    if (m_kind == Kind::Main)
        RunLoop::main().post(std::move(block));
    else
        enqueue(std::move(block), false);
}

void DispatchQueue::barrierAsync(Block block)
{
    if (!block)
        return;
    if (m_kind == Kind::Main)
        RunLoop::main().post(std::move(block));
    else
        enqueue(std::move(block), true);
}

void DispatchQueue::sync(const Block& block)
{
    runSync(block, false);
}

void DispatchQueue::barrierSync(const Block& block)
{
    runSync(block, true);
}

void DispatchQueue::after(double seconds, Block block)
{
    if (!block)
        return;
    // Even on the main queue the block is queued when it comes due rather than run by
    // the timer, which would put it ahead of blocks queued earlier.
    Timer::scheduledTimer(seconds, false,
        [queue = shared_from_this(), block = std::move(block)]() mutable { queue->async(std::move(block)); });
}

void DispatchQueue::enqueue(Block block, bool barrier)
{
    std::lock_guard lock(m_mutex);
    m_pending.push_back({ std::move(block), barrier, nullptr });
    pumpLocked();
}

void DispatchQueue::runSync(const Block& block, bool barrier)
{
    if (!block)
        return;
    if (m_kind == Kind::Main) {
        if (isMainThread()) {
            block();
            return;
        }
        auto state = std::make_shared<MainSyncState>();
        RunLoop::main().post([&block, signal = std::make_shared<MainSyncSignal>(state)] { block(); });
        // A block held by this thread's batch would never run while it waits.
        PostBatch::endCurrent();
        std::unique_lock lock(state->mutex);
        state->done.wait(lock, [&] { return state->finished; });
        return;
    }
    if (isRunningOnCurrentThread()) {
        block();
        return;
    }
    bool const exclusive = m_kind == Kind::Serial || (barrier && m_kind == Kind::Concurrent);
    SyncGrant grant;
    {
        std::unique_lock lock(m_mutex);
        m_pending.push_back({ nullptr, barrier, &grant });
        pumpLocked();
        m_changed.wait(lock, [&] { return grant.granted; });
    }
    run(block);
    finish(exclusive);
}

void DispatchQueue::pumpLocked()
{
    while (!m_pending.empty() && !m_exclusiveRunning) {
        Item& front = m_pending.front();
        bool const exclusive = m_kind == Kind::Serial || (front.barrier && m_kind == Kind::Concurrent);
        if (exclusive && m_running > 0)
            return;
        Item item = std::move(front);
        m_pending.pop_front();
        ++m_running;
        m_exclusiveRunning = exclusive;
        if (item.grant) {
            item.grant->granted = true;
            m_changed.notify_all();
            continue;
        }
        WorkerPool::shared().submit(
            [queue = shared_from_this(), block = std::move(item.block), exclusive]() mutable {
                queue->run(block);
                {
                    // What the block holds goes before the queue may be seen
                    // idle: an owner that flushed and let go must not find its
                    // object still being destroyed on this thread. A destructor
                    // that syncs or flushes this queue is still on it meanwhile.
                    RunningScope scope(queue.get());
                    block = nullptr;
                }
                queue->finish(exclusive);
            },
            m_priority == Priority::High);
    }
}

void DispatchQueue::run(const Block& block)
{
    RunningScope scope(this);
    block();
}

void DispatchQueue::finish(bool exclusive)
{
    bool idle;
    {
        std::lock_guard lock(m_mutex);
        --m_running;
        if (exclusive)
            m_exclusiveRunning = false;
        pumpLocked();
        idle = isIdleLocked();
        m_changed.notify_all();
    }
    // The main thread may be turning the loop in syncFlush(), waiting for this.
    if (idle)
        RunLoop::main().wakeUp();
}

bool DispatchQueue::isRunningOnCurrentThread() const
{
    return std::find(t_runningQueues.begin(), t_runningQueues.end(), this) != t_runningQueues.end();
}

void DispatchQueue::syncFlush()
{
    if (m_kind == Kind::Main) {
        if (isMainThread())
            RunLoop::main().runUntilIdle();
        else
            sync([] {});
        return;
    }
    if (isRunningOnCurrentThread())
        return; // Waiting for itself would never end.
    if (isMainThread()) {
        RunLoop::main().runUntil([this] {
            std::lock_guard lock(m_mutex);
            return isIdleLocked();
        });
        return;
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return isIdleLocked(); });
}

} // namespace foundation
