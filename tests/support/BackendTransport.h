#pragma once

#include "platform/net/FakeTransport.h"

#include <functional>
#include <memory>
#include <string>

namespace merchant {
class MerchantBackend;
}

namespace support {

// Answers a scripted transport's requests from the stand-in back end in
// process, as its HTTP front would: method, path, header fields (lowercased)
// and body go in; status, body and the back end's delay come back, and a
// dropped connection fails as a lost one. Once the back end is gone a request
// cannot connect. `adjust` may change a reply before it goes out (a test's
// own delays, a broken picture).
class BackendTransport {
public:
    using Adjust = std::function<void(const std::string& path, net::FakeTransport::Reply& reply)>;

    static void connect(
        net::FakeTransport& transport, std::weak_ptr<merchant::MerchantBackend> backend, Adjust adjust = {});
};

} // namespace support
