#pragma once

#include "platform/net/NetworkStateSource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace net {

// The process-wide answer to "what can we reach": one flag source (the
// machine's own unless replaced), the back-end hosts the program talks to,
// and the list of those watching for changes.
class NetworkState {
public:
    // Replaces the flag source; nullptr brings back the machine's own.
    // Running watches move to the new source.
    static void setSource(std::shared_ptr<NetworkStateSource> source);
    static std::shared_ptr<NetworkStateSource> source();

    // The hosts (or URLs) of the back ends the program is configured to use.
    static void setServiceHosts(std::vector<std::string> hosts);
    static std::vector<std::string> serviceHosts();
    // True when there is at least one service host and every one of them is
    // on this machine, so talking to them needs no network at all.
    static bool servicesAreLocal();

    static std::optional<ReachabilityFlags> flags(const ReachabilityTarget& target);

    // Calls onChange (on any thread) after each possible change, until the
    // returned watch is dropped.
    class Watch {
    public:
        Watch() = default;
        explicit Watch(std::uint64_t id)
            : m_id(id)
        {
        }
        Watch(Watch&& other) noexcept
            : m_id(std::exchange(other.m_id, 0))
        {
        }
        Watch& operator=(Watch&& other) noexcept;
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;
        ~Watch();

        explicit operator bool() const { return m_id != 0; }

    private:
        std::uint64_t m_id { 0 };
    };
    [[nodiscard]] static Watch watch(std::function<void()> onChange);

    // Tells every watcher that the state may have changed.
    static void notifyChanged();

    // The generic targets the app asks before each request.
    static bool isGenericTarget(const ReachabilityTarget& target);
};

} // namespace net
