#include "netengine/NetworkEngine.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/HTTPDate.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Strings.h"
#include "platform/graphics/Image.h"
#include "platform/kit/Application.h"
#include "platform/net/CacheControl.h"

#include <algorithm>
#include <atomic>
#include <unordered_map>

namespace {

constexpr std::string_view bundleName = "Cashier";
constexpr std::string_view bundleVersion = "1.0";

// Starting a notifier waits on a worker; stopping it goes through the same
// serial queue, so a stop can never overtake the start and leave a notifier
// running for ever.
const std::shared_ptr<foundation::DispatchQueue>& notifierQueue()
{
    static foundation::NeverDestroyed<std::shared_ptr<foundation::DispatchQueue>> queue(
        foundation::DispatchQueue::createSerial("NetworkEngine.reachability"));
    return *queue;
}

std::atomic<std::size_t>& operationsOnTheirWay()
{
    static std::atomic<std::size_t> count { 0 };
    return count;
}

// The queue every engine shares, and the watch on its size; both live as long
// as the process.
struct SharedQueue {
    std::shared_ptr<foundation::OperationQueue> queue;
    foundation::Subscription countWatch;

    SharedQueue()
        : queue(std::make_shared<foundation::OperationQueue>())
    {
        queue->setName("NetworkEngine");
        queue->setMaxConcurrentOperationCount(NetworkEngine::wifiWidth);
        std::weak_ptr<foundation::OperationQueue> weak = queue;
        countWatch = queue->observeOperationCount([this, weak](std::size_t count) {
            foundation::NotificationCenter::defaultCenter().postNotificationName(
                kNetworkEngineOperationCountChanged, std::make_shared<std::size_t>(count),
                foundation::Json { { "count", count } });
            showActivity(weak);
        });
    }

    // The indicator is the main thread's; it shows the queue's count when it
    // is set, so one update waiting for the main thread serves every change
    // made meanwhile instead of waking it once per operation added or done.
    void showActivity(const std::weak_ptr<foundation::OperationQueue>& weak)
    {
        auto update = [this, weak] {
            indicatorUpdateQueued = false;
            auto queue = weak.lock();
            auto* application = kit::Application::sharedApplication();
            if (queue && application)
                application->setNetworkActivityIndicatorVisible(queue->operationCount() > 0);
        };
        if (foundation::RunLoop::isMainThread())
            update();
        else if (!indicatorUpdateQueued.exchange(true))
            foundation::DispatchQueue::main()->async(update);
    }

    std::atomic<bool> indicatorUpdateQueued { false };
};

SharedQueue& shared()
{
    static foundation::NeverDestroyed<SharedQueue> instance;
    return *instance;
}

bool isMethod(std::string_view method, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), method) != names.end();
}

// The GETs (and HEADs) in the shared queue by identifier, so that a new equal
// one finds its twin without going through every queued operation. Entries
// of operations that have finished or gone are dropped as they are met.
class OperationsUnderWay {
public:
    void add(const NetworkOperation::Pointer& operation)
    {
        auto const key = operation->uniqueIdentifier();
        std::lock_guard lock(m_mutex);
        if (m_byIdentifier.size() >= m_sweepAt) {
            std::erase_if(m_byIdentifier, [](const auto& entry) {
                auto live = entry.second.lock();
                return !live || live->isFinished();
            });
            m_sweepAt = std::max<std::size_t>(64, m_byIdentifier.size() * 2);
        }
        m_byIdentifier[key] = operation;
    }

    NetworkOperation::Pointer equalTo(const NetworkOperation& operation, const std::string& key)
    {
        std::lock_guard lock(m_mutex);
        auto it = m_byIdentifier.find(key);
        if (it == m_byIdentifier.end())
            return nullptr;
        auto found = it->second.lock();
        if (!found) {
            m_byIdentifier.erase(it);
            return nullptr;
        }
        return found.get() != &operation && found->isEqual(operation) ? found : nullptr;
    }

private:
    std::mutex m_mutex;
    std::unordered_map<std::string, std::weak_ptr<NetworkOperation>> m_byIdentifier;
    std::size_t m_sweepAt { 64 };
};

OperationsUnderWay& operationsUnderWay()
{
    static foundation::NeverDestroyed<OperationsUnderWay> index;
    return *index;
}

// Whether the engine's cache, which answers every caller of the process, may keep
// a finished GET's answer: not when either side said no-store, nor one meant for
// one user alone (private).
bool mayBeKept(const NetworkOperation& finished)
{
    auto const response = finished.readonlyResponse();
    if (!response)
        return false;
    auto const control = net::CacheControl::ofResponse(response->allHeaderFields());
    return !control.noStore && !control.isPrivate
        && !net::CacheControl::ofRequest(finished.readonlyRequest().allHTTPHeaderFields()).noStore;
}

// Seconds until the saved "Expires" date; 0 without one that reads.
double secondsUntilExpiry(const std::optional<net::HTTPHeaders>& headers)
{
    if (!headers)
        return 0;
    auto expires = headers->value("Expires");
    if (!expires)
        return 0;
    auto date = foundation::HTTPDate::dateFromRFC1123(*expires);
    return date ? *date - foundation::Clock::current()->now() : 0;
}

} // namespace

// ---- Creation --------------------------------------------------------------------

std::shared_ptr<NetworkEngine> NetworkEngine::init()
{
    return initWithHostName(std::nullopt, 0, std::nullopt, std::nullopt);
}

std::shared_ptr<NetworkEngine> NetworkEngine::initWithHostName(const std::string& hostName)
{
    return initWithHostName(hostName, 0, std::nullopt, std::nullopt);
}

std::shared_ptr<NetworkEngine> NetworkEngine::initWithHostName(
    const std::string& hostName, const net::HTTPHeaders& headers)
{
    return initWithHostName(hostName, 0, std::nullopt, headers);
}

std::shared_ptr<NetworkEngine> NetworkEngine::initWithHostName(
    const std::string& hostName, const std::string& apiPath, const net::HTTPHeaders& headers)
{
    return initWithHostName(hostName, 0, apiPath, headers);
}

std::shared_ptr<NetworkEngine> NetworkEngine::initWithHostName(const std::optional<std::string>& hostName,
    int portNumber, const std::optional<std::string>& apiPath, const std::optional<net::HTTPHeaders>& headers)
{
    auto engine = std::make_shared<NetworkEngine>(Private {}, hostName, portNumber, apiPath, headers);
    if (!hostName)
        return engine;
    std::weak_ptr<NetworkEngine> weak = engine;
    engine->m_reachabilityWatch = foundation::NotificationCenter::defaultCenter().addObserverForName(
        kReachabilityChangedNotification, nullptr, [weak](const foundation::Notification&) {
            if (auto self = weak.lock())
                self->reachabilityChanged();
        });
    if (auto reachability = engine->m_reachability)
        notifierQueue()->async([reachability] { reachability->startNotifier(); });
    return engine;
}

NetworkEngine::NetworkEngine(Private, const std::optional<std::string>& hostName, int portNumber,
    const std::optional<std::string>& apiPath, const std::optional<net::HTTPHeaders>& headers)
    : m_hostName(hostName)
    , m_portNumber(portNumber)
    , m_apiPath(apiPath)
    , m_customOperationSubclass([] { return std::make_shared<NetworkOperation>(); })
    , m_cache(NetworkEngineCache::defaultDirectory())
    , m_backgroundCacheQueue(foundation::DispatchQueue::createSerial("com.quillbarrow.cachequeue"))
    , m_operationQueue(foundation::DispatchQueue::createSerial("com.quillbarrow.operationqueue"))
{
    if (hostName)
        m_reachability = Reachability::reachabilityWithHostname(*hostName);
    if (headers) {
        m_customHeaders = headers;
        if (!headers->value("User-Agent"))
            m_customHeaders->set("User-Agent", std::string(bundleName) + "/" + std::string(bundleVersion));
    }
}

NetworkEngine::~NetworkEngine()
{
    // After the start queued at creation, and before the engine is gone: a
    // stop left for later could run after exit has taken the network state away.
    if (auto reachability = m_reachability)
        notifierQueue()->sync([&reachability] { reachability->stopNotifier(); });
}

// ---- Operations --------------------------------------------------------------------

NetworkOperation::Pointer NetworkEngine::operationWithPath(const std::optional<std::string>& path)
{
    return operationWithPath(path, std::nullopt, "GET", false);
}

NetworkOperation::Pointer NetworkEngine::operationWithPath(
    const std::optional<std::string>& path, const std::optional<foundation::Json>& params)
{
    return operationWithPath(path, params, "GET", false);
}

NetworkOperation::Pointer NetworkEngine::operationWithPath(const std::optional<std::string>& path,
    const std::optional<foundation::Json>& params, const std::optional<std::string>& method)
{
    return operationWithPath(path, params, method, false);
}

NetworkOperation::Pointer NetworkEngine::operationWithPath(const std::optional<std::string>& path,
    const std::optional<foundation::Json>& params, const std::optional<std::string>& method, bool ssl)
{
    if (!m_hostName)
        return nullptr;
    std::string url = std::string(ssl ? "https" : "http") + "://" + *m_hostName;
    if (m_portNumber != 0)
        url += ":" + std::to_string(m_portNumber);
    if (m_apiPath)
        url += "/" + *m_apiPath;
    if (path && *path != "/") {
        if (path->empty())
            url += "/";
        else if (path->front() == '/')
            url += *path;
        else
            url += "/" + *path;
    }
    return operationWithURLString(url, params, method);
}

NetworkOperation::Pointer NetworkEngine::operationWithURLString(std::string_view urlString)
{
    return operationWithURLString(urlString, std::nullopt, "GET");
}

NetworkOperation::Pointer NetworkEngine::operationWithURLString(
    std::string_view urlString, const std::optional<foundation::Json>& params)
{
    return operationWithURLString(urlString, params, "GET");
}

NetworkOperation::Pointer NetworkEngine::operationWithURLString(std::string_view urlString,
    const std::optional<foundation::Json>& params, const std::optional<std::string>& method)
{
    auto operation = m_customOperationSubclass ? m_customOperationSubclass() : nullptr;
    if (!operation || !operation->initWithURLStringParamsHttpMethod(urlString, params, method))
        return nullptr;
    operation->setShouldSendAcceptLanguageHeader(m_shouldSendAcceptLanguageHeader);
    prepareHeaders(*operation);
    return operation;
}

void NetworkEngine::prepareHeaders(NetworkOperation& operation) const
{
    if (m_customHeaders)
        operation.addHeaders(*m_customHeaders);
}

void NetworkEngine::registerOperationSubclass(OperationFactory factory)
{
    m_customOperationSubclass = std::move(factory);
}

void NetworkEngine::enqueueOperation(const NetworkOperation::Pointer& operation)
{
    enqueueOperation(operation, false);
}

void NetworkEngine::enqueueOperation(const NetworkOperation::Pointer& operation, bool forceReload)
{
    if (!operation)
        return;
    auto self = shared_from_this();
    if (!operation->isCacheable()) {
        // Nothing to look up and nothing to join: it goes to the queue at once,
        // and only the check of the network waits for a worker.
        operation->setCacheHandler(cacheHandler());
        addToSharedQueue(operation);
        // Freezing needs the cache; without it the question of the network,
        // which may have to resolve the host, is not worth a worker's turn.
        if (isCacheEnabled())
            m_operationQueue->async([self] { self->freezeWhenUnreachable(); });
        return;
    }
    ++operationsOnTheirWay();
    // In order, one at a time: of two equal GETs the first enqueued is the
    // one that goes out, and its caller hears first.
    m_operationQueue->async([self, operation, forceReload] { self->enqueueNow(operation, forceReload); });
}

NetworkOperation::ResponseBlock NetworkEngine::cacheHandler()
{
    std::weak_ptr<NetworkEngine> weak = shared_from_this();
    return [weak](const NetworkOperation::Pointer& finished) {
        auto engine = weak.lock();
        if (!engine)
            return;
        auto const key = finished->uniqueIdentifier();
        if (!mayBeKept(*finished)) {
            // Nor may an earlier answer stand in for this one.
            engine->m_cache.removeHeaders(key);
            engine->m_backgroundCacheQueue->async([weak, key] {
                if (auto self = weak.lock())
                    self->m_cache.remove(key);
            });
            return;
        }
        if (auto data = finished->responseData())
            engine->saveCacheData(std::move(*data), key);
        engine->m_cache.setHeaders(key, finished->cacheHeaders());
    };
}

void NetworkEngine::freezeWhenUnreachable()
{
    if (!isCacheEnabled())
        return;
    if (m_reachability == nullptr || m_reachability->currentReachabilityStatus() == ReachabilityStatusNone)
        freezeOperations();
}

void NetworkEngine::addToSharedQueue(const NetworkOperation::Pointer& operation)
{
    if (isMethod(operation->HTTPMethod(), { "GET", "HEAD" }))
        operationsUnderWay().add(operation);
    sharedOperationQueue()->addOperation(operation);
}

void NetworkEngine::enqueueNow(const NetworkOperation::Pointer& operation, bool forceReload)
{
    operation->setCacheHandler(cacheHandler());
    double expiry = 0;
    auto const key = operation->uniqueIdentifier();
    if (auto cached = cachedDataForOperation(*operation)) {
        foundation::DispatchQueue::main()->async([operation, cached = std::move(*cached)]() mutable {
            operation->setCachedData(std::move(cached));
        });
        if (!forceReload) {
            if (auto headers = m_cache.headersForKey(key)) {
                expiry = secondsUntilExpiry(headers);
                // Before the operation is queued: it may start the moment it is.
                operation->updateOperationBasedOnPreviousHeaders(*headers);
            }
        }
    }
    // This block runs on the engine's serial queue: the search and the adding
    // below are one step for every operation of this engine.
    auto found = operationsUnderWay().equalTo(*operation, key);
    if (found && !found->isFinished()) {
        // The GET under way runs the new caller's handlers as its own, once;
        // only when it has finished meanwhile does the new one go.
        // A caller that cancels the new one meanwhile is simply not joined.
        foundation::DispatchQueue::main()->async([found, operation] {
            if (!found->updateHandlersFromOperation(*operation))
                addToSharedQueue(operation);
            --operationsOnTheirWay();
        });
    } else {
        if (expiry <= 0 || forceReload || found)
            addToSharedQueue(operation);
        --operationsOnTheirWay();
    }
    freezeWhenUnreachable();
}

// ---- Host and reachability ---------------------------------------------------------

bool NetworkEngine::isReachable() const
{
    return m_reachability && m_reachability->currentReachabilityStatus() != ReachabilityStatusNone;
}

void NetworkEngine::setReachabilityChangedHandler(ReachabilityChangedHandler handler)
{
    std::lock_guard lock(m_handlerMutex);
    m_reachabilityChangedHandler = std::move(handler);
}

void NetworkEngine::reachabilityChanged()
{
    auto const status = m_reachability ? m_reachability->currentReachabilityStatus() : ReachabilityStatusNone;
    auto queue = sharedOperationQueue();
    switch (status) {
    case ReachabilityStatusWiFi:
        queue->setMaxConcurrentOperationCount(wifiWidth);
        checkAndRestoreFrozenOperations();
        break;
    case ReachabilityStatusWWAN:
        if (m_wifiOnlyMode) {
            queue->setMaxConcurrentOperationCount(0);
        } else {
            queue->setMaxConcurrentOperationCount(cellularWidth);
            checkAndRestoreFrozenOperations();
        }
        break;
    case ReachabilityStatusNone:
        freezeOperations();
        break;
    }
    ReachabilityChangedHandler handler;
    {
        std::lock_guard lock(m_handlerMutex);
        handler = m_reachabilityChangedHandler;
    }
    if (handler)
        handler(status);
}

// ---- Cancelling ---------------------------------------------------------------------

void NetworkEngine::cancelAllOperations()
{
    if (m_hostName)
        cancelOperationsContainingURLString(*m_hostName);
}

void NetworkEngine::cancelOperationsContainingURLString(std::string_view text)
{
    cancelOperationsMatchingBlock(
        [text](NetworkOperation& operation) { return foundation::contains(operation.url(), text); });
}

void NetworkEngine::cancelOperationsMatchingBlock(const std::function<bool(NetworkOperation&)>& matches)
{
    for (auto& queued : sharedOperationQueue()->operations()) {
        auto operation = std::dynamic_pointer_cast<NetworkOperation>(queued);
        // Something without a URL of its own cannot be told apart, so it goes too.
        if (!operation)
            queued->cancel();
        else if (matches(*operation))
            operation->cancelWithJoinedCallers();
    }
}

// ---- Images ------------------------------------------------------------------------

NetworkOperation::Pointer NetworkEngine::imageOperation(const std::optional<std::string>& url,
    NetworkOperation::ResponseBlock completion, NetworkOperation::OperationErrorBlock error)
{
    if (!url)
        return nullptr;
    auto operation = operationWithURLString(*url);
    if (!operation)
        return nullptr;
    operation->setShouldCacheResponseEvenIfProtocolIsHTTPS(true);
    operation->addCompletionHandler(
        std::move(completion), [error](const NetworkOperation::Pointer& failed, const NetworkError& reason) {
            if (error)
                error(failed, reason);
        });
    enqueueOperation(operation);
    return operation;
}

NetworkOperation::Pointer NetworkEngine::imageAtURL(const std::optional<std::string>& url,
    ImageCompletion completion, NetworkOperation::OperationErrorBlock error)
{
    return imageOperation(
        url,
        [completion, url](const NetworkOperation::Pointer& finished) {
            if (completion)
                completion(finished->responseImage(), url.value_or(""), finished->isCachedResponse());
        },
        std::move(error));
}

NetworkOperation::Pointer NetworkEngine::imageAtURL(const std::optional<std::string>& url, double width,
    double height, ImageCompletion completion, NetworkOperation::OperationErrorBlock error)
{
    return imageOperation(
        url,
        [completion, url, width, height](const NetworkOperation::Pointer& finished) {
            bool const cached = finished->isCachedResponse();
            finished->decompressedResponseImageOfSize(
                width, height, [completion, url, cached](std::shared_ptr<const graphics::Image> image) {
                    if (completion)
                        completion(std::move(image), url.value_or(""), cached);
                });
        },
        std::move(error));
}

NetworkOperation::Pointer NetworkEngine::imageAtURL(
    const std::optional<std::string>& url, double width, double height, ImageCompletion completion)
{
    return imageAtURL(url, width, height, std::move(completion), nullptr);
}

NetworkOperation::Pointer NetworkEngine::imageAtURL(
    const std::optional<std::string>& url, ImageCompletion completion)
{
    return imageAtURL(url, std::move(completion), nullptr);
}

// ---- Response cache and frozen operations -----------------------------------------------

void NetworkEngine::useCache()
{
    m_cache.enable();
    std::weak_ptr<NetworkEngine> weak = shared_from_this();
    auto& center = foundation::NotificationCenter::defaultCenter();
    for (auto name :
        { kit::Application::didReceiveMemoryWarningNotification,
            kit::Application::didEnterBackgroundNotification, kit::Application::willTerminateNotification }) {
        m_saveCacheWatches.push_back(
            center.addObserverForName(name, nullptr, [weak](const foundation::Notification&) {
                if (auto self = weak.lock())
                    self->saveCache();
            }));
    }
}

bool NetworkEngine::isCacheEnabled() const
{
    return m_cache.isEnabled();
}

std::string NetworkEngine::cacheDirectoryName() const
{
    return m_cache.directory().string();
}

void NetworkEngine::saveCacheData(std::string data, const std::string& key)
{
    std::weak_ptr<NetworkEngine> weak = shared_from_this();
    m_backgroundCacheQueue->async([weak, data = std::move(data), key]() mutable {
        if (auto self = weak.lock())
            self->m_cache.saveData(std::move(data), key);
    });
}

std::optional<std::string> NetworkEngine::cachedDataForOperation(const NetworkOperation& operation)
{
    return m_cache.dataForKey(operation.uniqueIdentifier());
}

void NetworkEngine::saveCache()
{
    // Saves queued before this one land first.
    m_backgroundCacheQueue->sync([this] { m_cache.save(); });
}

void NetworkEngine::emptyCache()
{
    m_backgroundCacheQueue->sync([this] { m_cache.empty(); });
}

void NetworkEngine::freezeOperations()
{
    if (!isCacheEnabled())
        return;
    for (auto& queued : sharedOperationQueue()->operations()) {
        auto operation = std::dynamic_pointer_cast<NetworkOperation>(queued);
        if (!operation || !operation->freezable())
            continue;
        if (!m_hostName)
            return;
        if (!foundation::contains(operation->url(), *m_hostName))
            continue;
        // One that has started may have reached the server: it ends as it
        // would, and is never sent again.
        auto archive = operation->freezeIfNotStarted();
        if (!archive)
            continue;
        m_cache.writeFrozen(operation->uniqueIdentifier(), *archive);
        foundation::DispatchQueue::main()->async([operation] { operation->cancelAfterFreezing(); });
    }
}

void NetworkEngine::checkAndRestoreFrozenOperations()
{
    if (!isCacheEnabled())
        return;
    for (auto& frozen : m_cache.frozen()) {
        auto operation = NetworkOperation::initWithCoder(frozen.archive);
        // A damaged archive stays on disk, unread, rather than being lost.
        if (!operation)
            continue;
        enqueueOperation(operation);
        m_cache.removeFrozen(frozen.file);
    }
}

// ---- The shared queue ---------------------------------------------------------------------

std::shared_ptr<foundation::OperationQueue> NetworkEngine::sharedOperationQueue()
{
    return shared().queue;
}

std::size_t NetworkEngine::pendingOperationCount()
{
    return operationsOnTheirWay().load() + sharedOperationQueue()->operationCount();
}

std::size_t NetworkEngine::operationsNotYetSent()
{
    auto const pending = pendingOperationCount();
    auto const sent = NetworkOperation::connectionsUnderWay();
    return pending > sent ? pending - sent : 0;
}
