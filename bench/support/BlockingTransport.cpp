#include "bench/support/BlockingTransport.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace bench {

BlockingTransport::BlockingTransport()
    : m_transport(net::Transport::current())
{
}

void BlockingTransport::roundTrip(net::URLRequest request)
{
    // Shared with the completion, which tells the waiter after letting the lock
    // go: a waiter woken while the lock is still held only sleeps again on it,
    // and the round trip would be charged a wake-up the transport never made.
    struct Wait {
        std::mutex mutex;
        std::condition_variable finished;
        bool done { false };
    };
    auto wait = std::make_shared<Wait>();
    net::Transport::Events events;
    events.didComplete = [wait](const std::optional<net::URLError>&) {
        {
            std::lock_guard lock(wait->mutex);
            wait->done = true;
        }
        wait->finished.notify_one();
    };
    m_transport->start(std::move(request), std::move(events));
    std::unique_lock lock(wait->mutex);
    wait->finished.wait(lock, [&wait] { return wait->done; });
}

} // namespace bench
