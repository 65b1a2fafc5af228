#pragma once

// Runs operations when they are ready, at most `maxConcurrentOperationCount` at a
// time, higher queue priority first and, within a priority, in the order added.
// Operations run on the shared worker threads; those of mainQueue() run one at a
// time on the main thread, through the main dispatch queue.
//
//     foundation::OperationQueue queue;
//     queue.setMaxConcurrentOperationCount(6);
//     queue.addOperationWithBlock([] { download(); });
//
// The width may change at any time; 0 starts nothing until it grows again, and
// operations already running go on. A cancelled operation does no work, so it is
// started (and leaves the queue) without waiting for a free slot; a suspended queue
// starts nothing at all, cancelled operations included, until resumed.
//
// An operation stays in the queue from being added until it has finished. A running
// concurrent operation holds its slot until it finishes, not until start() returns.
//
// Every member may be called from any thread, also from inside operations, their
// completion blocks and their observers. Destroying the queue cancels its operations
// (the ones not yet started then finish at once); it does not wait for them.

#include "platform/foundation/Subscription.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace foundation {

class Operation;

class OperationQueue {
    struct MainThreadKey {
        explicit MainThreadKey() = default;
    };

public:
    // The width a new queue has: the system decides (one operation per processor).
    static constexpr long defaultMaxConcurrentOperationCount = -1;

    OperationQueue();
    explicit OperationQueue(MainThreadKey);
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    // Runs its operations on the main thread, one at a time. Lives for the whole process.
    static std::shared_ptr<OperationQueue> mainQueue();

    // An operation that is already in a queue, running or finished is refused (it
    // would run twice or never leave), with a line on stderr.
    void addOperation(std::shared_ptr<Operation> operation);
    void addOperations(std::vector<std::shared_ptr<Operation>> operations, bool waitUntilFinished);
    void addOperationWithBlock(std::function<void()> block);

    // In the order added.
    std::vector<std::shared_ptr<Operation>> operations() const;
    std::size_t operationCount() const;

    // Any negative width means defaultMaxConcurrentOperationCount.
    void setMaxConcurrentOperationCount(long count);
    long maxConcurrentOperationCount() const;

    void setSuspended(bool suspended);
    bool isSuspended() const;

    void cancelAllOperations();
    // On the main thread the main loop keeps turning meanwhile.
    void waitUntilAllOperationsAreFinished();

    // Called with the new count on a thread that changed it (the one adding, or the
    // one finishing an operation), with no lock held. Calls never overlap or nest:
    // changes made meanwhile, by any thread or by the observer itself, are folded into
    // one more call, so the last call always carries the current count.
    [[nodiscard]] Subscription observeOperationCount(std::function<void(std::size_t)> observer);

    void setName(std::string name);
    std::string name() const;

private:
    struct Core;
    std::shared_ptr<Core> m_core;
};

} // namespace foundation
