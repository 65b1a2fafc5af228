#include "bench/support/BlockingTransport.h"

#include <condition_variable>
#include <mutex>

namespace bench {

BlockingTransport::BlockingTransport()
    : m_transport(net::Transport::current())
{
}

void BlockingTransport::roundTrip(net::URLRequest request)
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    net::Transport::Events events;
    events.didComplete = [&](const std::optional<net::URLError>&) {
        std::lock_guard lock(mutex);
        done = true;
        finished.notify_one();
    };
    m_transport->start(std::move(request), std::move(events));
    std::unique_lock lock(mutex);
    finished.wait(lock, [&] { return done; });
}

} // namespace bench
