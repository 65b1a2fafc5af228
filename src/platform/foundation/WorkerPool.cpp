#include "platform/foundation/WorkerPool.h"

#include "platform/foundation/RunLoop.h"

namespace foundation {

WorkerPool& WorkerPool::shared()
{
    // The main loop must outlive the pool: jobs still draining at exit post to it.
    RunLoop::main();
    static WorkerPool pool;
    return pool;
}

void WorkerPool::submit(Job job, bool urgent)
{
    if (!job)
        return;
    std::lock_guard lock(m_mutex);
    (urgent ? m_urgent : m_normal).push_back(std::move(job));
    // Once stopping, the threads are being joined: the ones there drain the queue.
    if (!m_stopping && m_idle < m_urgent.size() + m_normal.size() && m_threads.size() < maxThreads)
        m_threads.emplace_back([this] { work(); });
    m_wake.notify_one();
}

void WorkerPool::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_wake.wait(lock, [this] { return m_stopping || !m_urgent.empty() || !m_normal.empty(); });
        --m_idle;
        auto& jobs = m_urgent.empty() ? m_normal : m_urgent;
        if (jobs.empty())
            return; // Stopping, and nothing left to do.
        Job job = std::move(jobs.front());
        jobs.pop_front();
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
    }
}

WorkerPool::~WorkerPool()
{
    // Nobody turns the main loop any more: a job waiting for it must be let go.
    RunLoop::main().shutDown();
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_wake.notify_all();
    }
    for (auto& thread : m_threads)
        thread.join();
}

} // namespace foundation
