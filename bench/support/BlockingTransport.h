#pragma once

#include "platform/net/Transport.h"

#include <memory>

namespace bench {

// The app's transport with the calling thread waiting for each request's
// end: what a round trip costs through the transport and its I/O thread,
// without the main queue's hand-off.
class BlockingTransport {
public:
    BlockingTransport();
    void roundTrip(net::URLRequest request);

private:
    std::shared_ptr<net::Transport> m_transport;
};

} // namespace bench
