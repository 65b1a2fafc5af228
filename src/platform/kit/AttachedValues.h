#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace kit {

// Values that other libraries hang on an object they do not own (the image
// loader keeps a view's running loads here). They live exactly as long as the
// object: it owns them, and they must not own it back, so a value that needs
// the object holds it weakly. Safe to use from any thread.
class AttachedValues {
public:
    template<typename T> std::shared_ptr<T> get(std::string_view key) const
    {
        return std::static_pointer_cast<T>(getAny(key));
    }
    // Returns the value under the key, made with `make` when there is none.
    template<typename T, typename Make> std::shared_ptr<T> getOrMake(std::string_view key, Make&& make)
    {
        std::lock_guard lock(m_mutex);
        auto it = m_values.find(key);
        if (it == m_values.end())
            it = m_values.emplace(std::string(key), std::shared_ptr<void>(make())).first;
        return std::static_pointer_cast<T>(it->second);
    }
    // nullptr removes the key. The old value is released after the lock is
    // let go, so its destructor may use these values again.
    void set(std::string_view key, std::shared_ptr<void> value);

private:
    std::shared_ptr<void> getAny(std::string_view key) const;

    mutable std::mutex m_mutex;
    std::map<std::string, std::shared_ptr<void>, std::less<>> m_values;
};

} // namespace kit
