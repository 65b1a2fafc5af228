#pragma once

#include <new>
#include <utility>

namespace foundation {

// A value made on first use that lives until the process ends and is never
// destroyed: the shared services that worker threads may still reach while
// exit runs the destructors of other statics.
//
//     static NeverDestroyed<SharedQueue> queue;
//     queue->addOperation(...);
template<typename T> class NeverDestroyed {
public:
    template<typename... Args> explicit NeverDestroyed(Args&&... args)
    {
        new (&m_value) T(std::forward<Args>(args)...);
    }
    ~NeverDestroyed() { }
    NeverDestroyed(const NeverDestroyed&) = delete;
    NeverDestroyed& operator=(const NeverDestroyed&) = delete;

    T& get() { return m_value; }
    T* operator->() { return &m_value; }
    T& operator*() { return m_value; }

private:
    union {
        T m_value;
    };
};

} // namespace foundation
