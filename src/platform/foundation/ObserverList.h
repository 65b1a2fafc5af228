#pragma once

#include "platform/foundation/Subscription.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace foundation {

// A list of callbacks notified in the order they were added. Observers may add or
// remove observers (themselves included) while being notified: an observer removed
// during a notification is not called afterwards, one added during it is first called
// by the next notification. Tokens may outlive the list.
template<typename... Args> class ObserverList {
public:
    using Callback = std::function<void(const Args&...)>;

    ObserverList() = default;
    ObserverList(const ObserverList&) = delete;
    ObserverList& operator=(const ObserverList&) = delete;

    [[nodiscard]] Subscription add(Callback callback)
    {
        if (!callback)
            return {};
        auto entry = std::make_shared<Entry>(std::move(callback));
        {
            std::lock_guard lock(m_state->mutex);
            m_state->entries.push_back(entry);
        }
        return Subscription(
            [weakState = std::weak_ptr<State>(m_state), weakEntry = std::weak_ptr<Entry>(entry)] {
                auto state = weakState.lock();
                auto entry = weakEntry.lock();
                if (!state || !entry)
                    return;
                entry->removed = true;
                std::lock_guard lock(state->mutex);
                // `entry` still holds the callback, so what it captured dies after the lock is released.
                std::erase(state->entries, entry);
            });
    }

    void notify(const Args&... args) const
    {
        std::vector<std::shared_ptr<Entry>> snapshot;
        {
            std::lock_guard lock(m_state->mutex);
            snapshot = m_state->entries;
        }
        for (auto& entry : snapshot) {
            if (!entry->removed)
                entry->callback(args...);
        }
    }

    bool isEmpty() const
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->entries.empty();
    }

    size_t size() const
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->entries.size();
    }

private:
    struct Entry {
        explicit Entry(Callback callback)
            : callback(std::move(callback))
        {
        }
        const Callback callback;
        std::atomic<bool> removed { false };
    };
    struct State {
        std::mutex mutex;
        std::vector<std::shared_ptr<Entry>> entries;
    };

    std::shared_ptr<State> m_state { std::make_shared<State>() };
};

} // namespace foundation
