#pragma once

#include "platform/foundation/ObserverList.h"

#include <utility>

namespace foundation {

// A value whose observers receive (old, new) on every set, as property observation
// does; setIfChanged() is for owners that only want real changes reported.
template<typename T> class Observable {
public:
    using Callback = typename ObserverList<T, T>::Callback;

    Observable() = default;
    explicit Observable(T value)
        : m_value(std::move(value))
    {
    }

    const T& value() const { return m_value; }

    void set(T value)
    {
        T old = std::exchange(m_value, std::move(value));
        // Observers get a copy of the new value: one of them may set again meanwhile.
        T current = m_value;
        m_observers.notify(old, current);
    }

    bool setIfChanged(T value)
    {
        if (value == m_value)
            return false;
        set(std::move(value));
        return true;
    }

    [[nodiscard]] Subscription observe(Callback callback) { return m_observers.add(std::move(callback)); }

private:
    T m_value {};
    ObserverList<T, T> m_observers;
};

} // namespace foundation
