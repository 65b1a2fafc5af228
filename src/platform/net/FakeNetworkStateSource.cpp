#include "platform/net/FakeNetworkStateSource.h"

namespace net {

void FakeNetworkStateSource::setFlags(const std::string& targetText, ReachabilityFlags flags)
{
    std::scoped_lock lock(m_mutex);
    m_flags[targetText] = flags;
}

void FakeNetworkStateSource::setDefaultFlags(std::optional<ReachabilityFlags> flags)
{
    std::scoped_lock lock(m_mutex);
    m_defaultFlags = flags;
}

void FakeNetworkStateSource::triggerChange()
{
    std::function<void()> onChange;
    {
        std::scoped_lock lock(m_mutex);
        onChange = m_onChange;
    }
    if (onChange)
        onChange();
}

bool FakeNetworkStateSource::isStarted() const
{
    std::scoped_lock lock(m_mutex);
    return static_cast<bool>(m_onChange);
}

std::optional<ReachabilityFlags> FakeNetworkStateSource::flags(const ReachabilityTarget& target)
{
    std::scoped_lock lock(m_mutex);
    auto found = m_flags.find(target.text());
    if (found != m_flags.end())
        return found->second;
    return m_defaultFlags;
}

void FakeNetworkStateSource::start(std::function<void()> onChange)
{
    std::scoped_lock lock(m_mutex);
    m_onChange = std::move(onChange);
}

void FakeNetworkStateSource::stop()
{
    std::scoped_lock lock(m_mutex);
    m_onChange = nullptr;
}

} // namespace net
