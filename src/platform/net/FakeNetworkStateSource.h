#pragma once

#include "platform/net/NetworkStateSource.h"

#include <map>
#include <mutex>
#include <string>

namespace net {

// A scripted network for tests: flags are set per target text (a host text as
// given to the name factory, or an address literal such as "0.0.0.0"), and a
// change is announced only when the test says so.
class FakeNetworkStateSource final : public NetworkStateSource {
public:
    void setFlags(const std::string& targetText, ReachabilityFlags flags);
    // For every target without flags of its own; nothing means "cannot tell".
    void setDefaultFlags(std::optional<ReachabilityFlags> flags);
    // Calls the change handler on this thread, when the source is started.
    void triggerChange();
    bool isStarted() const;

    std::optional<ReachabilityFlags> flags(const ReachabilityTarget& target) override;
    void start(std::function<void()> onChange) override;
    void stop() override;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, ReachabilityFlags> m_flags;
    std::optional<ReachabilityFlags> m_defaultFlags { 0 };
    std::function<void()> m_onChange;
};

} // namespace net
