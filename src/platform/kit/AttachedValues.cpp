#include "platform/kit/AttachedValues.h"

namespace kit {

void AttachedValues::set(std::string_view key, std::shared_ptr<void> value)
{
    std::shared_ptr<void> old;
    std::lock_guard lock(m_mutex);
    auto it = m_values.find(key);
    if (it != m_values.end()) {
        old = std::move(it->second);
        if (value)
            it->second = std::move(value);
        else
            m_values.erase(it);
    } else if (value) {
        m_values.emplace(std::string(key), std::move(value));
    }
}

std::shared_ptr<void> AttachedValues::getAny(std::string_view key) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_values.find(key);
    return it == m_values.end() ? nullptr : it->second;
}

} // namespace kit
