#include "platform/foundation/OperationQueue.h"

#include "platform/foundation/BlockOperation.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/ObserverList.h"
#include "platform/foundation/Operation.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/WorkerPool.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <new>
#include <thread>

namespace foundation {

namespace {

// A main-queue start that the main loop dropped unrun (the loop was reset or is shutting
// down) would leave its operation in the queue for ever, with every waiter hanging:
// the operation is cancelled and started where the drop happens instead, which only
// finishes it.
class MainThreadStart {
public:
    explicit MainThreadStart(std::shared_ptr<Operation> operation)
        : m_operation(std::move(operation))
    {
    }
    MainThreadStart(const MainThreadStart&) = delete;
    MainThreadStart& operator=(const MainThreadStart&) = delete;
    ~MainThreadStart()
    {
        if (m_operation) {
            m_operation->cancel();
            m_operation->start();
        }
    }

    void run()
    {
        auto operation = std::move(m_operation);
        operation->start();
    }

private:
    std::shared_ptr<Operation> m_operation;
};

} // namespace

struct OperationQueue::Core : std::enable_shared_from_this<Core> {
    struct Entry {
        std::shared_ptr<Operation> operation;
        bool started { false };
        // Holds a slot of the width: started by the queue and not cancelled at the time.
        bool holdsSlot { false };
    };

    explicit Core(bool onMainThread)
        : onMainThread(onMainThread)
        , width(onMainThread ? 1 : defaultMaxConcurrentOperationCount)
    {
    }

    void add(const std::shared_ptr<Operation>& operation);
    void handleState(Operation& operation, std::string_view key);
    void pumpLocked(std::vector<std::shared_ptr<Operation>>& toStart);
    void launch(std::vector<std::shared_ptr<Operation>>& toStart);
    void deliverCount();
    size_t effectiveWidthLocked() const;
    void pump()
    {
        std::vector<std::shared_ptr<Operation>> toStart;
        {
            std::lock_guard lock(mutex);
            pumpLocked(toStart);
        }
        launch(toStart);
    }

    // Empty, and no removal is still telling the count observers: a waiter may go.
    bool isIdleLocked() const { return entries.empty() && removing == 0; }

    const bool onMainThread;
    mutable std::mutex mutex;
    std::condition_variable idle;
    size_t removing { 0 };
    std::vector<Entry> entries;
    size_t running { 0 };
    long width;
    bool suspended { false };
    std::string name;

    ObserverList<size_t> countObservers;
    bool countChanged { false };
    bool deliveringCount { false };
};

void OperationQueue::Core::add(const std::shared_ptr<Operation>& operation)
{
    std::vector<std::shared_ptr<Operation>> toStart;
    {
        std::lock_guard lock(mutex);
        {
            std::lock_guard operationLock(operation->m_mutex);
            if (operation->m_queueHook || operation->m_started || operation->m_finished) {
                std::fprintf(stderr,
                    "OperationQueue: refused an operation that is already queued, running or finished\n");
                return;
            }
            operation->m_queueHook = std::make_shared<const Operation::QueueHook>(
                [weakCore = weak_from_this()](Operation& changed, std::string_view key) {
                    if (auto core = weakCore.lock())
                        core->handleState(changed, key);
                });
        }
        entries.push_back({ operation });
        countChanged = true;
        pumpLocked(toStart);
    }
    launch(toStart);
    deliverCount();
}

void OperationQueue::Core::handleState(Operation& operation, std::string_view key)
{
    if (key == Operation::isReadyKey || key == Operation::isCancelledKey) {
        pump();
        return;
    }
    if (key != Operation::isFinishedKey)
        return;
    std::shared_ptr<Operation> removed;
    std::vector<std::shared_ptr<Operation>> toStart;
    {
        std::lock_guard lock(mutex);
        auto const it = std::find_if(entries.begin(), entries.end(),
            [&](const Entry& entry) { return entry.operation.get() == &operation; });
        if (it == entries.end())
            return;
        if (it->holdsSlot)
            --running;
        removed = std::move(it->operation);
        entries.erase(it);
        countChanged = true;
        ++removing;
        pumpLocked(toStart);
    }
    launch(toStart);
    deliverCount();
    {
        std::lock_guard lock(mutex);
        --removing;
        if (isIdleLocked())
            idle.notify_all();
    }
    // `removed` may be the last reference; it goes here, out of the lock.
}

size_t OperationQueue::Core::effectiveWidthLocked() const
{
    if (width >= 0)
        return static_cast<size_t>(width);
    return std::max(1u, std::thread::hardware_concurrency());
}

void OperationQueue::Core::pumpLocked(std::vector<std::shared_ptr<Operation>>& toStart)
{
    if (suspended)
        return;
    // Runs on every add and every finish, over every waiting operation: a long
    // queue must not cost a sort and two locks per operation each time. The
    // free slots go to the best few waiting, by priority and then order, kept
    // in one pass; a full queue only looks for cancelled ones.
    size_t const width = effectiveWidthLocked();
    size_t const free = running < width ? width - running : 0;
    struct Candidate {
        int priority;
        Entry* entry;
    };
    std::vector<Candidate> best;
    for (auto& entry : entries) {
        if (entry.started)
            continue;
        bool const cancelled = entry.operation->isCancelled();
        if (!cancelled && free == 0)
            continue;
        if (!entry.operation->isReady())
            continue;
        if (cancelled) {
            entry.started = true;
            toStart.push_back(entry.operation);
            continue;
        }
        int const priority = static_cast<int>(entry.operation->queuePriority());
        // Earlier entries win ties: a later one displaces only a lower priority.
        bool const goesLast = best.empty() || best.back().priority >= priority;
        if (goesLast && best.size() >= free)
            continue;
        auto at = goesLast ? best.end() : std::find_if(best.begin(), best.end(), [priority](const Candidate& kept) {
            return kept.priority < priority;
        });
        best.insert(at, { priority, &entry });
        if (best.size() > free)
            best.pop_back();
    }
    for (auto& candidate : best) {
        candidate.entry->started = true;
        candidate.entry->holdsSlot = true;
        ++running;
        toStart.push_back(candidate.entry->operation);
    }
}

void OperationQueue::Core::launch(std::vector<std::shared_ptr<Operation>>& toStart)
{
    for (auto& operation : toStart) {
        if (onMainThread) {
            auto start = std::make_shared<MainThreadStart>(std::move(operation));
            DispatchQueue::main()->async([start] { start->run(); });
        } else if (operation->startsWithoutWaiting()) {
            operation->start();
        } else {
            WorkerPool::shared().submit([operation = std::move(operation)] { operation->start(); }, false);
        }
    }
    toStart.clear();
}

void OperationQueue::Core::deliverCount()
{
    size_t count;
    {
        std::lock_guard lock(mutex);
        // Another call is delivering (maybe this thread's, from inside an observer): it
        // picks the change up when its observers return.
        if (deliveringCount || !countChanged)
            return;
        deliveringCount = true;
    }
    for (;;) {
        {
            std::lock_guard lock(mutex);
            if (!countChanged) {
                deliveringCount = false;
                return;
            }
            countChanged = false;
            count = entries.size();
        }
        countObservers.notify(count);
    }
}

OperationQueue::OperationQueue()
    : m_core(std::make_shared<Core>(false))
{
}

OperationQueue::OperationQueue(MainThreadKey)
    : m_core(std::make_shared<Core>(true))
{
}

OperationQueue::~OperationQueue()
{
    {
        std::lock_guard lock(m_core->mutex);
        // Operations not started yet finish only by being started.
        m_core->suspended = false;
    }
    cancelAllOperations();
}

namespace {

// Never destroyed, like the main loop and the main dispatch queue: the worker pool
// drains its jobs at exit, after statics made later than it are gone.
struct MainOperationQueueStorage {
    explicit MainOperationQueueStorage(std::shared_ptr<OperationQueue> queue)
    {
        new (&m_queue) std::shared_ptr<OperationQueue>(std::move(queue));
    }
    ~MainOperationQueueStorage() { }
    MainOperationQueueStorage(const MainOperationQueueStorage&) = delete;
    MainOperationQueueStorage& operator=(const MainOperationQueueStorage&) = delete;
    union {
        std::shared_ptr<OperationQueue> m_queue;
    };
};

} // namespace

std::shared_ptr<OperationQueue> OperationQueue::mainQueue()
{
    static MainOperationQueueStorage storage([] {
        auto queue = std::make_shared<OperationQueue>(MainThreadKey {});
        queue->setName("main");
        return queue;
    }());
    return storage.m_queue;
}

void OperationQueue::addOperation(std::shared_ptr<Operation> operation)
{
    if (operation)
        m_core->add(operation);
}

void OperationQueue::addOperations(std::vector<std::shared_ptr<Operation>> operations, bool waitUntilFinished)
{
    for (auto& operation : operations)
        addOperation(operation);
    if (!waitUntilFinished)
        return;
    for (auto& operation : operations) {
        if (operation)
            operation->waitUntilFinished();
    }
}

void OperationQueue::addOperationWithBlock(std::function<void()> block)
{
    if (block)
        addOperation(BlockOperation::blockOperationWithBlock(std::move(block)));
}

std::vector<std::shared_ptr<Operation>> OperationQueue::operations() const
{
    std::vector<std::shared_ptr<Operation>> operations;
    std::lock_guard lock(m_core->mutex);
    operations.reserve(m_core->entries.size());
    for (auto& entry : m_core->entries)
        operations.push_back(entry.operation);
    return operations;
}

std::size_t OperationQueue::operationCount() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->entries.size();
}

void OperationQueue::setMaxConcurrentOperationCount(long count)
{
    {
        std::lock_guard lock(m_core->mutex);
        m_core->width = count < 0 ? defaultMaxConcurrentOperationCount : count;
    }
    m_core->pump();
}

long OperationQueue::maxConcurrentOperationCount() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->width;
}

void OperationQueue::setSuspended(bool suspended)
{
    {
        std::lock_guard lock(m_core->mutex);
        m_core->suspended = suspended;
    }
    m_core->pump();
}

bool OperationQueue::isSuspended() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->suspended;
}

void OperationQueue::cancelAllOperations()
{
    // Cancelled out of the lock: cancel() runs subclass code and observers.
    for (auto& operation : operations())
        operation->cancel();
}

void OperationQueue::waitUntilAllOperationsAreFinished()
{
    if (RunLoop::isMainThread()) {
        RunLoop::main().runUntil([this] {
            std::lock_guard lock(m_core->mutex);
            return m_core->isIdleLocked();
        });
        return;
    }
    std::unique_lock lock(m_core->mutex);
    m_core->idle.wait(lock, [this] { return m_core->isIdleLocked(); });
}

Subscription OperationQueue::observeOperationCount(std::function<void(std::size_t)> observer)
{
    if (!observer)
        return {};
    return m_core->countObservers.add(
        [observer = std::move(observer)](const std::size_t& count) { observer(count); });
}

void OperationQueue::setName(std::string name)
{
    std::lock_guard lock(m_core->mutex);
    m_core->name = std::move(name);
}

std::string OperationQueue::name() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->name;
}

} // namespace foundation
