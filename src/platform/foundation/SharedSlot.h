#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace foundation {

// The slot of a process-wide shared object that is made on first use and may be
// replaced (a test puts its own in; nullptr makes the next use make one again).
// Safe from any thread. Kept in a NeverDestroyed, as shared services are.
template<typename T> class SharedSlot {
public:
    explicit SharedSlot(std::function<std::shared_ptr<T>()> make)
        : m_make(std::move(make))
    {
    }

    std::shared_ptr<T> get()
    {
        std::lock_guard lock(m_mutex);
        if (!m_value)
            m_value = m_make();
        return m_value;
    }

    void set(std::shared_ptr<T> value)
    {
        std::shared_ptr<T> previous;
        {
            std::lock_guard lock(m_mutex);
            previous = std::exchange(m_value, std::move(value));
        }
        // The old one goes once the lock is let go: its end may take time.
    }

private:
    std::mutex m_mutex;
    std::function<std::shared_ptr<T>()> m_make;
    std::shared_ptr<T> m_value;
};

} // namespace foundation
