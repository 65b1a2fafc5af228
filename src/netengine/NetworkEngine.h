#pragma once

#include "netengine/NetworkEngineCache.h"
#include "netengine/NetworkOperation.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Subscription.h"
#include "platform/net/HTTPHeaders.h"
#include "reachability/Reachability.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {
class DispatchQueue;
class OperationQueue;
} // namespace foundation
namespace graphics {
class Image;
}

// Posted (object: the count as a std::size_t, user info {"count": n}) on the
// thread that changed the number of operations in the engines' shared queue.
inline constexpr const char* kNetworkEngineOperationCountChanged = "kNetworkEngineOperationCountChanged";

// Makes HTTP operations for one host and runs them on one operation queue
// that every engine shares: at most 6 at once on Wi-Fi, 2 on a cellular
// network (none in Wi-Fi-only mode), as the host's reachability reports. A
// cacheable GET is answered from the response cache first when it can be,
// and one equal to a GET still under way joins it instead of going out
// again. Every handler runs on the main thread.
//
//     auto engine = NetworkEngine::initWithHostName("127.0.0.1:8080/Api");
//     auto operation = engine->operationWithPath("/Alipay/modifyStaffPassword", fields, "POST");
//     operation->addCompletionHandler(done, failed);
//     engine->enqueueOperation(operation);
class NetworkEngine : public std::enable_shared_from_this<NetworkEngine> {
public:
    using OperationFactory = std::function<NetworkOperation::Pointer()>;
    using ReachabilityChangedHandler = std::function<void(ReachabilityStatus status)>;
    using ImageCompletion = std::function<void(
        std::shared_ptr<const graphics::Image> image, const std::string& url, bool isInCache)>;

    static constexpr long wifiWidth = 6;
    static constexpr long cellularWidth = 2;

    static std::shared_ptr<NetworkEngine> init();
    static std::shared_ptr<NetworkEngine> initWithHostName(const std::string& hostName);
    static std::shared_ptr<NetworkEngine> initWithHostName(
        const std::string& hostName, const net::HTTPHeaders& headers);
    static std::shared_ptr<NetworkEngine> initWithHostName(
        const std::string& hostName, const std::string& apiPath, const net::HTTPHeaders& headers);
    // The host text names the target of the reachability checks as it is;
    // a missing one gives an engine that builds only from whole URLs.
    static std::shared_ptr<NetworkEngine> initWithHostName(const std::optional<std::string>& hostName,
        int portNumber, const std::optional<std::string>& apiPath,
        const std::optional<net::HTTPHeaders>& headers);

    struct Private {
        explicit Private() = default;
    };
    NetworkEngine(Private, const std::optional<std::string>& hostName, int portNumber,
        const std::optional<std::string>& apiPath, const std::optional<net::HTTPHeaders>& headers);
    ~NetworkEngine();
    NetworkEngine(const NetworkEngine&) = delete;
    NetworkEngine& operator=(const NetworkEngine&) = delete;

    // ---- Operations ---------------------------------------------------------
    // "scheme://host[:port][/apiPath]" and the path ("/" and nothing add
    // nothing, "" adds "/", any other path is joined with one "/"); nullptr
    // without a host.
    NetworkOperation::Pointer operationWithPath(const std::optional<std::string>& path);
    NetworkOperation::Pointer operationWithPath(
        const std::optional<std::string>& path, const std::optional<foundation::Json>& params);
    NetworkOperation::Pointer operationWithPath(const std::optional<std::string>& path,
        const std::optional<foundation::Json>& params, const std::optional<std::string>& method);
    NetworkOperation::Pointer operationWithPath(const std::optional<std::string>& path,
        const std::optional<foundation::Json>& params, const std::optional<std::string>& method, bool ssl);
    // nullptr when the text does not form a URL.
    NetworkOperation::Pointer operationWithURLString(std::string_view urlString);
    NetworkOperation::Pointer operationWithURLString(
        std::string_view urlString, const std::optional<foundation::Json>& params);
    NetworkOperation::Pointer operationWithURLString(std::string_view urlString,
        const std::optional<foundation::Json>& params, const std::optional<std::string>& method);

    // Returns at once. An operation that is not cacheable goes to the shared
    // queue at once; a cacheable GET reaches it from a worker after the
    // cache and its equal twins have been asked, the GETs of one engine in
    // the order they were enqueued.
    void enqueueOperation(const NetworkOperation::Pointer& operation);
    void enqueueOperation(const NetworkOperation::Pointer& operation, bool forceReload);
    void prepareHeaders(NetworkOperation& operation) const;
    // Operations are made by this factory from now on (a subclass of one's own).
    void registerOperationSubclass(OperationFactory factory);

    // ---- Host and reachability ----------------------------------------------
    std::optional<std::string> readonlyHostName() const { return m_hostName; }
    const std::optional<std::string>& hostName() const { return m_hostName; }
    int portNumber() const { return m_portNumber; }
    const std::optional<std::string>& apiPath() const { return m_apiPath; }
    const std::optional<net::HTTPHeaders>& customHeaders() const { return m_customHeaders; }
    const std::shared_ptr<Reachability>& reachability() const { return m_reachability; }
    bool isReachable() const;
    void setReachabilityChangedHandler(ReachabilityChangedHandler handler);
    bool wifiOnlyMode() const { return m_wifiOnlyMode; }
    void setWifiOnlyMode(bool wifiOnly) { m_wifiOnlyMode = wifiOnly; }
    bool shouldSendAcceptLanguageHeader() const { return m_shouldSendAcceptLanguageHeader; }
    void setShouldSendAcceptLanguageHeader(bool send) { m_shouldSendAcceptLanguageHeader = send; }
    // The shared queue's width follows the engine's own reachability.
    void reachabilityChanged();

    // ---- Cancelling ----------------------------------------------------------
    void cancelAllOperations();
    static void cancelOperationsContainingURLString(std::string_view text);
    static void cancelOperationsMatchingBlock(const std::function<bool(NetworkOperation&)>& matches);

    // ---- Images ---------------------------------------------------------------
    NetworkOperation::Pointer imageAtURL(const std::optional<std::string>& url, ImageCompletion completion,
        NetworkOperation::OperationErrorBlock error);
    NetworkOperation::Pointer imageAtURL(const std::optional<std::string>& url, double width, double height,
        ImageCompletion completion, NetworkOperation::OperationErrorBlock error);
    NetworkOperation::Pointer imageAtURL(
        const std::optional<std::string>& url, double width, double height, ImageCompletion completion);
    NetworkOperation::Pointer imageAtURL(const std::optional<std::string>& url, ImageCompletion completion);

    // ---- Response cache and frozen operations ---------------------------------
    // Off until useCache(); then bodies and validators of cacheable GETs are
    // kept, and freezable operations wait on disk while the host is away.
    void useCache();
    bool isCacheEnabled() const;
    std::string cacheDirectoryName() const;
    std::size_t cacheMemoryCost() const { return NetworkEngineCache::memoryCost; }
    void saveCacheData(std::string data, const std::string& key);
    std::optional<std::string> cachedDataForOperation(const NetworkOperation& operation);
    void saveCache();
    void emptyCache();
    // Freezable operations for this host that have not started are archived
    // and cancelled; their callers hear of it through their error handlers.
    // One that has started ends as it would.
    void freezeOperations();
    void checkAndRestoreFrozenOperations();
    NetworkEngineCache& cache() { return m_cache; }

    // ---- The shared queue -------------------------------------------------------
    static std::shared_ptr<foundation::OperationQueue> sharedOperationQueue();
    // Operations handed to an engine that have not yet finished or been let
    // go: on their way to the shared queue, or in it.
    static std::size_t pendingOperationCount();
    // Those of them whose request has not yet reached the transport: work
    // that moves on by itself on worker threads, whatever the main loop's clock.
    static std::size_t operationsNotYetSent();

private:
    void enqueueNow(const NetworkOperation::Pointer& operation, bool forceReload);
    // Stores a finished cacheable GET's body and validators.
    NetworkOperation::ResponseBlock cacheHandler();
    void freezeWhenUnreachable();
    static void addToSharedQueue(const NetworkOperation::Pointer& operation);
    // A GET of the URL, cached even over https, enqueued with the handlers.
    NetworkOperation::Pointer imageOperation(const std::optional<std::string>& url,
        NetworkOperation::ResponseBlock completion, NetworkOperation::OperationErrorBlock error);

    std::optional<std::string> m_hostName;
    int m_portNumber { 0 };
    std::optional<std::string> m_apiPath;
    std::optional<net::HTTPHeaders> m_customHeaders;
    OperationFactory m_customOperationSubclass;
    std::shared_ptr<Reachability> m_reachability;
    mutable std::mutex m_handlerMutex;
    ReachabilityChangedHandler m_reachabilityChangedHandler;
    std::atomic<bool> m_wifiOnlyMode { false };
    std::atomic<bool> m_shouldSendAcceptLanguageHeader { true };
    NetworkEngineCache m_cache;
    std::shared_ptr<foundation::DispatchQueue> m_backgroundCacheQueue;
    std::shared_ptr<foundation::DispatchQueue> m_operationQueue;
    foundation::Subscription m_reachabilityWatch;
    std::vector<foundation::Subscription> m_saveCacheWatches;
};
