#pragma once

// One unit of work with a life cycle that others can wait for, depend on and cancel.
//
//   pending ──start()──▶ executing ──finish()──▶ finished
//      │                                            ▲
//      └────── cancelled, then start() ─────────────┘   (main() never runs)
//
// A plain operation runs main() inside start() and is finished when main() returns.
// A concurrent one (isConcurrent() true) stays executing after start() returns until
// it calls finish() itself, typically from a callback of the asynchronous work that
// main() began; a queue counts it as running until then.
//
// It is ready when every dependency has finished, or when it is cancelled: a
// cancelled operation does no work, so nothing it waits for matters any more.
//
// Every member may be called from any thread. State-change observers, queue hooks,
// dependants and the completion block run on the thread that made the change, with
// no lock held, so any of them may add, cancel or wait for other operations.
//
// Used on its own, an operation is also a cheap cancellation token:
//     auto token = std::make_shared<foundation::Operation>();
//     ioQueue->async([token] { if (!token->isCancelled()) readFromDisk(); });
//     token->cancel();

#include "platform/foundation/ObserverList.h"
#include "platform/foundation/Subscription.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

enum class OperationQueuePriority { VeryLow = -8, Low = -4, Normal = 0, High = 4, VeryHigh = 8 };

class Operation : public std::enable_shared_from_this<Operation> {
public:
    // The keys a state observer is told about.
    static constexpr std::string_view isReadyKey = "isReady";
    static constexpr std::string_view isExecutingKey = "isExecuting";
    static constexpr std::string_view isFinishedKey = "isFinished";
    static constexpr std::string_view isCancelledKey = "isCancelled";

    Operation() = default;
    virtual ~Operation() = default;
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    // Runs the operation on the calling thread: finishes at once when cancelled,
    // otherwise marks it executing and calls main(), then finishes it unless it is
    // concurrent. A second call does nothing. Readiness is the queue's business: a
    // direct call runs the operation even while dependencies are unfinished.
    virtual void start();
    // The work. The base does nothing.
    virtual void main() { }
    // Marks the operation cancelled, which makes it ready. Work already running is
    // not interrupted: main() should look at isCancelled(). A finished operation
    // ignores it.
    virtual void cancel();
    virtual bool isConcurrent() const { return false; }
    // A concurrent operation whose start only hands its work on, never waiting
    // and never running long, may be started by its queue on the thread that
    // freed or added its slot, sparing a worker's wake-up before the work
    // can even begin.
    virtual bool startsWithoutWaiting() const { return false; }

    bool isReady() const;
    bool isExecuting() const;
    bool isFinished() const;
    bool isCancelled() const { return m_cancelled.load(std::memory_order_acquire); }

    // Dependencies are kept alive by the operation; adding one twice, or the
    // operation itself, does nothing.
    void addDependency(std::shared_ptr<Operation> operation);
    void removeDependency(const std::shared_ptr<Operation>& operation);
    std::vector<std::shared_ptr<Operation>> dependencies() const;

    void setQueuePriority(OperationQueuePriority priority);
    OperationQueuePriority queuePriority() const;

    // Runs once, after the operation has finished, and is dropped afterwards (a block
    // that captures the operation does not keep it alive for ever). Set after the
    // operation finished, it never runs.
    void setCompletionBlock(std::function<void()> block);
    // Blocks until finished and done finishing: its observers, completion block and
    // queue have been told. On the main thread the main loop keeps turning meanwhile,
    // so operations that run on the main queue can finish.
    void waitUntilFinished();

    void setName(std::string name);
    std::string name() const;

    // Called with one of the keys above after the state it names changed.
    [[nodiscard]] Subscription observeState(std::function<void(Operation&, std::string_view key)> observer);

protected:
    // For concurrent subclasses that override start() instead of main().
    void setExecuting(bool executing);
    // Ends the operation: no longer executing, finished; then, in this order, state
    // observers, dependants, the completion block and the queue are told. Later calls
    // do nothing. May delete the last owner's reference: the
    // operation keeps itself alive until the call returns.
    void finish();

private:
    friend class OperationQueue;
    using StateObservers = ObserverList<Operation*, std::string_view>;
    using QueueHook = std::function<void(Operation&, std::string_view key)>;

    // Dependants re-check their readiness when this operation finishes.
    void refreshReadiness();
    void notifyState(std::string_view key);
    void notifyQueue(const std::shared_ptr<const QueueHook>& hook, std::string_view key);

    mutable std::mutex m_mutex;
    std::condition_variable m_settledChanged;
    bool m_started { false };
    bool m_executing { false };
    bool m_finished { false };
    // Finished, and everyone to be told has been: what waiters wait for.
    bool m_settled { false };
    bool m_ready { true };
    std::atomic<bool> m_cancelled { false };
    OperationQueuePriority m_priority { OperationQueuePriority::Normal };
    std::vector<std::shared_ptr<Operation>> m_dependencies;
    std::vector<std::weak_ptr<Operation>> m_dependants;
    std::function<void()> m_completionBlock;
    std::string m_name;
    // Made on first observation: most operations (cancellation tokens above all) are
    // never observed.
    std::shared_ptr<StateObservers> m_observers;
    // Set once, by the queue that takes the operation.
    std::shared_ptr<const QueueHook> m_queueHook;
    // Serialises readiness updates, so a late update cannot overwrite a newer answer.
    // Never held while calling out.
    std::mutex m_readinessMutex;
};

} // namespace foundation
