#pragma once

#include "platform/net/Transport.h"

#include <map>
#include <memory>
#include <mutex>

namespace foundation {
class DispatchQueue;
}

namespace net {

class URLCache;

// Puts a URL cache in front of another transport, for the GETs whose cache policy
// asks for it (usesCache):
//   - a stored response that may answer (fresh, or any under the ReturnCacheData
//     policies) is told to the caller as if it had come from the network, and no
//     request leaves;
//   - a stale one with a validator is asked after with If-None-Match and
//     If-Modified-Since: a 304 is told as the stored response under the 304's
//     header fields, a full answer replaces it;
//   - a fresh answer the rules let be stored, and the caller's willCacheResponse
//     does not refuse, is stored once it is complete; a 2xx answer that may not be
//     stored drops what was stored before.
// Looking up runs inside start(), so the request that has to go out is under way
// underneath when it returns. The events of an answer from the cache come from
// `queue` (a global worker queue unless given); the others from the transport
// underneath. Every other request goes to that transport unchanged.
class URLCachingTransport final : public Transport {
public:
    URLCachingTransport(std::shared_ptr<Transport> network, std::shared_ptr<URLCache> cache,
        std::shared_ptr<foundation::DispatchQueue> queue = nullptr);

    TaskId start(URLRequest request, Events events) override;
    void cancel(TaskId task) override;

    // A GET under a policy that reads the cache, without credentials, a range or
    // validators of the caller's own (a caller that asks conditionally wants the
    // 304 itself).
    static bool usesCache(const URLRequest& request);
    // What a loader sends `request` through: `network` alone, unless the request
    // uses the cache; then the shared URL cache in front of it.
    static std::shared_ptr<Transport> forRequest(
        const URLRequest& request, std::shared_ptr<Transport> network);

    struct Task;
    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace net
