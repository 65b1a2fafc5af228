#include "platform/foundation/Operation.h"

#include "platform/foundation/RunLoop.h"

#include <algorithm>

namespace foundation {

namespace {

// The operations whose finishing sequence runs on this thread, innermost last.
thread_local std::vector<const Operation*> t_finishing;

class FinishingScope {
public:
    explicit FinishingScope(const Operation* operation) { t_finishing.push_back(operation); }
    ~FinishingScope() { t_finishing.pop_back(); }
    FinishingScope(const FinishingScope&) = delete;
    FinishingScope& operator=(const FinishingScope&) = delete;
};

} // namespace

void Operation::start()
{
    auto const self = weak_from_this().lock();
    bool cancelled;
    {
        std::lock_guard lock(m_mutex);
        if (m_started || m_finished)
            return;
        m_started = true;
        cancelled = isCancelled();
    }
    if (cancelled) {
        finish();
        return;
    }
    setExecuting(true);
    main();
    if (!isConcurrent())
        finish();
}

void Operation::cancel()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_finished || isCancelled())
            return;
        m_cancelled.store(true, std::memory_order_release);
    }
    notifyState(isCancelledKey);
    refreshReadiness();
}

bool Operation::isReady() const
{
    std::lock_guard lock(m_mutex);
    return m_ready;
}

bool Operation::isExecuting() const
{
    std::lock_guard lock(m_mutex);
    return m_executing;
}

bool Operation::isFinished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

void Operation::addDependency(std::shared_ptr<Operation> operation)
{
    if (!operation || operation.get() == this)
        return;
    {
        std::lock_guard lock(m_mutex);
        if (std::find(m_dependencies.begin(), m_dependencies.end(), operation) != m_dependencies.end())
            return;
        m_dependencies.push_back(operation);
    }
    {
        std::lock_guard lock(operation->m_mutex);
        if (!operation->m_finished)
            operation->m_dependants.push_back(weak_from_this());
    }
    // After registering: a dependency that finished before it could tell us is seen
    // finished here.
    refreshReadiness();
}

void Operation::removeDependency(const std::shared_ptr<Operation>& operation)
{
    if (!operation)
        return;
    {
        std::lock_guard lock(m_mutex);
        auto const it = std::find(m_dependencies.begin(), m_dependencies.end(), operation);
        if (it == m_dependencies.end())
            return;
        m_dependencies.erase(it);
    }
    {
        std::lock_guard lock(operation->m_mutex);
        std::erase_if(operation->m_dependants, [this](const std::weak_ptr<Operation>& dependant) {
            auto const alive = dependant.lock();
            return !alive || alive.get() == this;
        });
    }
    refreshReadiness();
}

std::vector<std::shared_ptr<Operation>> Operation::dependencies() const
{
    std::lock_guard lock(m_mutex);
    return m_dependencies;
}

void Operation::setQueuePriority(OperationQueuePriority priority)
{
    std::lock_guard lock(m_mutex);
    m_priority = priority;
}

OperationQueuePriority Operation::queuePriority() const
{
    std::lock_guard lock(m_mutex);
    return m_priority;
}

void Operation::setCompletionBlock(std::function<void()> block)
{
    std::lock_guard lock(m_mutex);
    if (!m_finished)
        m_completionBlock = std::move(block);
}

void Operation::waitUntilFinished()
{
    // From its own completion block or observers: finished already, and waiting for
    // the rest of the sequence would wait for itself.
    if (std::find(t_finishing.begin(), t_finishing.end(), this) != t_finishing.end())
        return;
    if (RunLoop::isMainThread()) {
        RunLoop::main().runUntil([this] {
            std::lock_guard lock(m_mutex);
            return m_settled;
        });
        return;
    }
    std::unique_lock lock(m_mutex);
    m_settledChanged.wait(lock, [this] { return m_settled; });
}

void Operation::setName(std::string name)
{
    std::lock_guard lock(m_mutex);
    m_name = std::move(name);
}

std::string Operation::name() const
{
    std::lock_guard lock(m_mutex);
    return m_name;
}

Subscription Operation::observeState(std::function<void(Operation&, std::string_view key)> observer)
{
    if (!observer)
        return {};
    std::shared_ptr<StateObservers> observers;
    {
        std::lock_guard lock(m_mutex);
        if (!m_observers)
            m_observers = std::make_shared<StateObservers>();
        observers = m_observers;
    }
    return observers->add([observer = std::move(observer)](Operation* const& operation,
                              const std::string_view& key) { observer(*operation, key); });
}

void Operation::setExecuting(bool executing)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_finished || m_executing == executing)
            return;
        m_executing = executing;
        m_started = m_started || executing;
    }
    notifyState(isExecutingKey);
}

void Operation::finish()
{
    auto const self = weak_from_this().lock();
    bool wasExecuting;
    std::function<void()> completion;
    std::vector<std::weak_ptr<Operation>> dependants;
    std::shared_ptr<const QueueHook> hook;
    {
        std::lock_guard lock(m_mutex);
        if (m_finished)
            return;
        wasExecuting = m_executing;
        m_executing = false;
        m_started = true;
        m_finished = true;
        completion = std::move(m_completionBlock);
        m_completionBlock = nullptr;
        dependants.swap(m_dependants);
        hook = m_queueHook;
    }
    {
        FinishingScope scope(this);
        if (wasExecuting)
            notifyState(isExecutingKey);
        notifyState(isFinishedKey);
        // Dependants become ready before the queue hears of the free slot, so that it
        // chooses among everything that can run now.
        for (auto& weakDependant : dependants) {
            if (auto dependant = weakDependant.lock())
                dependant->refreshReadiness();
        }
        if (completion)
            completion();
        // Last, so that a queue is never seen empty while a completion block is about
        // to add the next operation.
        notifyQueue(hook, isFinishedKey);
    }
    {
        std::lock_guard lock(m_mutex);
        m_settled = true;
        m_settledChanged.notify_all();
    }
    // A main-thread waiter turns the loop until this operation has settled.
    RunLoop::main().wakeUp();
}

void Operation::refreshReadiness()
{
    bool changed;
    {
        std::lock_guard serialised(m_readinessMutex);
        std::vector<std::shared_ptr<Operation>> dependencies;
        {
            std::lock_guard lock(m_mutex);
            dependencies = m_dependencies;
        }
        bool const ready = isCancelled()
            || std::all_of(dependencies.begin(), dependencies.end(),
                [](const std::shared_ptr<Operation>& dependency) { return dependency->isFinished(); });
        std::lock_guard lock(m_mutex);
        changed = m_ready != ready;
        m_ready = ready;
    }
    if (changed)
        notifyState(isReadyKey);
}

void Operation::notifyState(std::string_view key)
{
    std::shared_ptr<StateObservers> observers;
    std::shared_ptr<const QueueHook> hook;
    {
        std::lock_guard lock(m_mutex);
        observers = m_observers;
        // The queue hears of its operation's end only after the dependants, in finish().
        if (key != isFinishedKey)
            hook = m_queueHook;
    }
    Operation* self = this;
    if (observers)
        observers->notify(self, key);
    notifyQueue(hook, key);
}

void Operation::notifyQueue(const std::shared_ptr<const QueueHook>& hook, std::string_view key)
{
    if (hook)
        (*hook)(*this, key);
}

} // namespace foundation
