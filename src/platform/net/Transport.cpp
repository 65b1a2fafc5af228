#include "platform/net/Transport.h"

#include "platform/foundation/WorkerPool.h"
#include "platform/net/CurlTransport.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <utility>

namespace net {

namespace {

struct Registry {
    std::mutex mutex;
    std::shared_ptr<Transport> installed;
    std::shared_ptr<CurlTransport> network;
};

// Never destroyed: worker threads may still ask for the transport while static
// objects are being torn down at exit.
struct RegistryStorage {
    RegistryStorage() { new (&m_registry) Registry(); }
    ~RegistryStorage() { }
    RegistryStorage(const RegistryStorage&) = delete;
    RegistryStorage& operator=(const RegistryStorage&) = delete;
    union {
        Registry m_registry;
    };
};

Registry& registry()
{
    static RegistryStorage storage;
    return storage.m_registry;
}

// Stops the network's I/O thread at exit, so that it is joined rather than killed
// mid-transfer and workers blocked on a read are let go.
struct NetworkStopper {
    ~NetworkStopper()
    {
        std::shared_ptr<CurlTransport> network;
        {
            std::lock_guard lock(registry().mutex);
            network = registry().network;
        }
        if (network)
            network->shutDown();
    }
};

} // namespace

std::shared_ptr<Transport> Transport::current()
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    if (r.installed)
        return r.installed;
    if (!r.network) {
        // Statics are destroyed in reverse order of construction: making the worker pool
        // first means the stopper runs before the pool joins its threads, so a worker
        // waiting on a read is released instead of waited for until its time-out.
        foundation::WorkerPool::shared();
        static NetworkStopper stopper;
        r.network = std::make_shared<CurlTransport>();
    }
    return r.network;
}

void Transport::install(std::shared_ptr<Transport> transport)
{
    std::shared_ptr<Transport> previous;
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    previous = std::exchange(r.installed, std::move(transport));
}

Transport::SentField Transport::sentHeaderField(const URLRequest& request, std::string_view name)
{
    auto value = request.valueForHTTPHeaderField(name);
    if (HTTPHeaders::namesEqual(name, "Cookie") && request.httpShouldHandleCookies())
        return { false, std::nullopt };
    if (value)
        return { true, std::move(value) };
    if (HTTPHeaders::namesEqual(name, "Accept-Encoding") && request.allowsCompression())
        return { true, acceptedEncodings };
    if (HTTPHeaders::namesEqual(name, "Accept"))
        return { true, defaultAccept };
    return { true, std::nullopt };
}

double Transport::effectiveTimeout(double requested)
{
    if (!(requested > 0)) // NaN included
        return URLRequest::defaultTimeoutInterval;
    // Keeps deadline arithmetic finite; a year is as good as for ever here.
    return std::min(requested, 365.0 * 24 * 3600);
}

double Transport::effectiveDeadline(const URLRequest& request)
{
    if (request.deadlineInterval() > 0)
        return effectiveTimeout(request.deadlineInterval());
    return effectiveTimeout(request.timeoutInterval()) * URLRequest::defaultDeadlineMultiple;
}

} // namespace net
