#pragma once

#include "platform/net/ReachabilityFlags.h"
#include "platform/net/ReachabilityTarget.h"

#include <functional>
#include <optional>

namespace net {

// Where reachability flags come from: the machine's interfaces and routes in
// the program, a scripted stand-in in tests.
class NetworkStateSource {
public:
    virtual ~NetworkStateSource() = default;

    // Nothing when the state cannot be read at all; 0 when the target has no path.
    virtual std::optional<ReachabilityFlags> flags(const ReachabilityTarget& target) = 0;

    // Between start and stop, onChange is called (on any thread) whenever the
    // network state may have changed. Stop may be called from within onChange.
    virtual void start(std::function<void()> onChange) = 0;
    virtual void stop() = 0;
};

} // namespace net
