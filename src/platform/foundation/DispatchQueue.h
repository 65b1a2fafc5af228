#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace foundation {

// Queues of blocks. The main queue runs its blocks on the main run loop; every other
// queue runs on the shared worker threads:
//   - serial queues run one block at a time, in order;
//   - concurrent queues run plain blocks side by side, and a barrier block alone,
//     after everything queued before it and before everything queued after it;
//   - the global queues are concurrent queues without barriers.
// sync() waits until the block has run; it runs the block on the calling thread, so
// waiting never needs a spare worker. Results travel back to the main thread only
// through the main queue. As with any blocking wait, the main thread must not sync
// onto a queue whose running block is itself waiting for the main queue.
class DispatchQueue : public std::enable_shared_from_this<DispatchQueue> {
public:
    using Block = std::function<void()>;
    enum class Priority { Default, High };

    static std::shared_ptr<DispatchQueue> main();
    static std::shared_ptr<DispatchQueue> global(Priority priority = Priority::Default);
    static std::shared_ptr<DispatchQueue> createSerial(std::string label);
    static std::shared_ptr<DispatchQueue> createConcurrent(std::string label);

    static bool isMainThread();

    const std::string& label() const { return m_label; }

    void async(Block block);
    // On the main queue from the main thread, or on a queue from one of its own blocks,
    // the block runs at once instead of waiting for itself for ever.
    void sync(const Block& block);
    // Queues the block once the delay has passed, so on the main queue it runs after the
    // blocks queued before it came due. Delays are measured on the main loop's clock, so
    // virtual time drives them too.
    void after(double seconds, Block block);
    void barrierAsync(Block block);
    void barrierSync(const Block& block);

    // Waits until the queue has nothing queued or running. On the main thread it keeps
    // the main loop turning meanwhile, so a block waiting for the main queue can finish.
    void syncFlush();

    enum class Kind { Main, Serial, Concurrent, Global };
    struct Private { };
    DispatchQueue(Private, Kind kind, std::string label, Priority priority = Priority::Default);

private:
    struct SyncGrant {
        bool granted { false };
    };
    struct Item {
        Block block;
        bool barrier { false };
        SyncGrant* grant { nullptr };
    };

    void enqueue(Block block, bool barrier);
    void runSync(const Block& block, bool barrier);
    void pumpLocked();
    void run(const Block& block);
    void finish(bool exclusive);
    bool isRunningOnCurrentThread() const;
    bool isIdleLocked() const { return m_pending.empty() && m_running == 0; }

    const Kind m_kind;
    const std::string m_label;
    const Priority m_priority;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_pending;
    size_t m_running { 0 };
    bool m_exclusiveRunning { false };
};

} // namespace foundation
