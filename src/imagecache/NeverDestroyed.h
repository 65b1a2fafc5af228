#pragma once

#include <new>
#include <utility>

namespace imagecache {

// Storage for a shared instance that lives until the process ends and is
// never destroyed: at exit the worker threads still drain queued jobs that
// reach the shared manager, cache and downloader, after every static made
// later than the worker pool is gone.
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

private:
    union {
        T m_value;
    };
};

} // namespace imagecache
