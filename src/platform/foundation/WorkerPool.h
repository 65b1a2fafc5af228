#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace foundation {

// The threads behind every worker dispatch queue. It grows when all its threads are
// busy (a block may wait on the network or on the main thread for a long time) up to
// a cap, and joins its threads at exit after they finish the jobs already queued.
class WorkerPool {
public:
    using Job = std::function<void()>;

    static WorkerPool& shared();

    void submit(Job job, bool urgent);

    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

private:
    WorkerPool() = default;
    void work();

    static constexpr size_t maxThreads = 64;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_urgent;
    std::deque<Job> m_normal;
    std::vector<std::thread> m_threads;
    size_t m_idle { 0 };
    bool m_stopping { false };
};

} // namespace foundation
