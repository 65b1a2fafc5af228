#pragma once

#include "netengine/AuthenticationChallenge.h"
#include "netengine/NetworkError.h"
#include "netengine/OperationConnectionDelegate.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Operation.h"
#include "platform/kit/LocalNotification.h"
#include "platform/net/HTTPHeaders.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/URLRequest.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {
class OutputStream;
}
namespace graphics {
class Image;
}
class OperationConnection;

// One HTTP request and its response, run as a concurrent operation on the
// HTTP engine's shared queue: it builds the request (URL and query, method,
// header fields, a body in one of four encodings or as multipart form data),
// drives its connection on the main thread, gathers the body in memory or
// into download streams, works out the cache validators of a GET, and then
// runs its handlers, all on the main thread:
//
//     auto operation = engine->operationWithPath("/Alipay/modifyStaffPassword", fields, "POST");
//     operation->addCompletionHandler(
//         [](const auto& finished) { use(finished->responseString()); },
//         [](const auto& failed, const NetworkError& error) { ... });
//     engine->enqueueOperation(operation);
//
// A 2xx answer runs the completion handlers, 304 the not-modified handlers
// (or, for a caller without any that no cached body answered, the error
// handlers), and every other status (1xx, 3xx that were not followed, 4xx,
// 5xx, 600 and above) or a transport failure the error handlers: every
// finished operation tells each caller exactly one way. A cancelled
// operation runs none of its caller's.
//
// An equal GET that joins one under way (the engine merges them) is a second
// caller of the same request: cancelling either takes away only that
// caller's handlers, and the request goes on while anyone still waits for it
// (the operation that went out reads as cancelled only once nobody does).
//
// Request building and handler lists may be used from any thread before the
// operation is queued; the engine's merging and the connection's events
// use them on the main thread.
class NetworkOperation : public foundation::Operation, public OperationConnectionDelegate {
public:
    enum StateValue : int { StateReady = 1, StateExecuting = 2, StateFinished = 3 };
    enum PostDataEncoding : int { URLEncoded = 0, JSON = 1, PropertyList = 2, Custom = 3 };
    enum class StringEncoding : unsigned { ASCII = 1, UTF8 = 4, ISOLatin1 = 5 };

    struct FilePart {
        std::string filepath;
        std::string name;
        std::string mimetype;
    };
    struct DataPart {
        std::string data;
        std::string name;
        std::string mimetype;
        std::string filename;
    };

    using Pointer = std::shared_ptr<NetworkOperation>;
    using ResponseBlock = std::function<void(const Pointer& operation)>;
    using ErrorBlock = std::function<void(const NetworkError& error)>;
    using OperationErrorBlock = std::function<void(const Pointer& operation, const NetworkError& error)>;
    using NotModifiedBlock = std::function<void()>;
    using ProgressBlock = std::function<void(double progress)>;
    using EncodingHandler = std::function<std::string(const foundation::Json& fields)>;
    using AuthHandler = std::function<void(const std::shared_ptr<AuthenticationChallenge>& challenge)>;
    using StateChangedHandler = std::function<void(int state)>;
    using ImageHandler = std::function<void(std::shared_ptr<const graphics::Image> image)>;
    using JsonHandler = std::function<void(std::optional<foundation::Json> object)>;

    // Seconds of silence (no byte moving either way) that end an operation.
    // Nothing else does: a long download that keeps moving runs to its end.
    static constexpr double timeoutInterval = 30.0;

    // nullptr when the text does not form a URL. A nil method is "GET";
    // a GET or DELETE sends its fields as the query, a POST or PUT with
    // fields gets the form content type.
    static Pointer initWithURLString(std::string_view urlString,
        const std::optional<foundation::Json>& params = {}, const std::optional<std::string>& method = {});

    // For subclasses and copies: an operation with no request yet, which
    // initWithURLString(...) (the member) then sets up.
    NetworkOperation();
    ~NetworkOperation() override;
    bool initWithURLStringParamsHttpMethod(std::string_view urlString,
        const std::optional<foundation::Json>& params, const std::optional<std::string>& method);

    // ---- Request building ---------------------------------------------------
    void addParams(const foundation::Json& params);
    // A second value for a field is appended with a comma, never replaced.
    void addHeaders(const net::HTTPHeaders& headers);
    void addHeader(std::string_view field, std::string_view value);
    void setHeader(std::string_view field, std::optional<std::string> value);
    void setAuthorizationHeaderValue(std::string_view value, std::string_view authType);
    int postDataEncoding() const;
    void setPostDataEncoding(int encoding);
    void setCustomPostDataEncodingHandler(EncodingHandler handler, std::string_view contentType);
    std::string encodedPostDataString() const;
    // The body to send, with the multipart content type when there are
    // parts; nothing when a file part cannot be read.
    std::optional<std::string> bodyData();
    void addData(std::string data, std::string_view key);
    void addData(
        std::string data, std::string_view key, std::string_view mimeType, std::string_view fileName);
    void addFile(std::string_view filePath, std::string_view key);
    void addFile(std::string_view filePath, std::string_view key, std::string_view mimeType);
    // The bytes the request body is read from, instead of the fields.
    void setUploadStream(std::optional<std::string> bytes);
    // The body goes to the streams, however long: only a body kept in memory
    // is capped (net::URLRequest::defaultMaximumResponseBytes). A stream that
    // cannot take it fails the operation (net::URLError::CannotWriteToFile).
    void addDownloadStream(const std::shared_ptr<foundation::OutputStream>& stream);
    // Seconds of silence that end the operation (timeoutInterval unless set).
    void setTimeoutInterval(double seconds);
    // Seconds the whole exchange may take; none unless set, for a caller that
    // must hear within a bound whatever the server does.
    void setDeadlineInterval(double seconds);

    // ---- Handlers -----------------------------------------------------------
    void addCompletionHandler(ResponseBlock completion, OperationErrorBlock error);
    void onCompletion(ResponseBlock completion, ErrorBlock error);
    void onNotModified(NotModifiedBlock handler);
    void onUploadProgressChanged(ProgressBlock handler);
    void onDownloadProgressChanged(ProgressBlock handler);
    void setCacheHandler(ResponseBlock handler);
    void setOperationStateChangedHandler(StateChangedHandler handler);
    void setAuthHandler(AuthHandler handler);

    // ---- Readers ------------------------------------------------------------
    std::string url() const;
    std::string HTTPMethod() const;
    int HTTPStatusCode() const;
    net::URLRequest readonlyRequest() const;
    std::optional<net::HTTPURLResponse> readonlyResponse() const;
    foundation::Json readonlyPostDictionary() const;
    bool isCachedResponse() const;
    // When finished the body received; before that a cached body, if any.
    std::optional<std::string> responseData() const;
    // The body as text; nothing when it does not decode.
    std::optional<std::string> responseString() const;
    std::optional<std::string> responseStringWithEncoding(StringEncoding encoding) const;
    std::shared_ptr<const graphics::Image> responseImage() const;
    // Decodes on a worker queue and hands the image over on the main queue;
    // the size is not applied.
    void decompressedResponseImageOfSize(double width, double height, ImageHandler handler) const;
    std::optional<foundation::Json> responseJSON() const;
    // Without data the handler gets nothing at once; otherwise parsing runs
    // on a worker queue and the handler gets its result on the main queue.
    void responseJSONWithCompletionHandler(JsonHandler handler) const;
    std::optional<NetworkError> error() const;

    // ---- Engine-facing ------------------------------------------------------
    bool isCacheable() const;
    std::string uniqueIdentifier() const;
    bool isEqual(const NetworkOperation& other) const;
    std::size_t hash() const;
    bool freezable() const;
    void setFreezable(bool freezable);
    // Runs the completion handlers with the cached body.
    void setCachedData(std::string data);
    // Takes the other's handlers, to run them as its own for the other's
    // caller, until that caller cancels the other. False, taking nothing,
    // once this operation has finished or was cancelled (its handlers would
    // never run), or when either sends its body to download streams (the
    // other caller would get no body, or this one's would go elsewhere).
    // True, taking nothing, for an other that was cancelled meanwhile.
    bool updateHandlersFromOperation(NetworkOperation& other);
    // Cancels the request itself, with every caller that joined it.
    void cancelWithJoinedCallers();
    void updateOperationBasedOnPreviousHeaders(const net::HTTPHeaders& headers);
    void notifyCache();
    net::HTTPHeaders cacheHeaders() const;
    // The archive of an operation that has not started, which from now on
    // never will (cancelAfterFreezing() then tells its caller); nothing for
    // one that has started, finished or been cancelled: a request that may
    // have reached the server is never sent again.
    std::optional<foundation::Json> freezeIfNotStarted();
    // Frozen while the network is away: the caller is told through the error
    // handlers (the request itself waits on disk, without them), then the
    // operation is cancelled. Main thread.
    void cancelAfterFreezing();

    // ---- Flags and fields ---------------------------------------------------
    int state() const;
    bool shouldCacheResponseEvenIfProtocolIsHTTPS() const;
    void setShouldCacheResponseEvenIfProtocolIsHTTPS(bool value);
    bool shouldNotCacheResponse() const;
    void setShouldNotCacheResponse(bool value);
    bool shouldContinueWithInvalidCertificate() const;
    void setShouldContinueWithInvalidCertificate(bool value);
    bool shouldSendAcceptLanguageHeader() const;
    void setShouldSendAcceptLanguageHeader(bool value);
    StringEncoding stringEncoding() const;
    void setStringEncoding(StringEncoding encoding);
    std::optional<std::string> clientCertificate() const;
    void setClientCertificate(std::optional<std::string> path);
    std::optional<std::string> clientCertificatePassword() const;
    void setClientCertificatePassword(std::optional<std::string> password);
    CredentialPersistence credentialPersistence() const;
    void setCredentialPersistence(CredentialPersistence persistence);
    // A failure while the application is in the background is put in front
    // of the user: the operation's own notice when it has one, else, with
    // shouldShowLocalNotificationOnError, one that gives the error and
    // offers "Dismiss". Neither is there unless a caller sets it.
    bool shouldShowLocalNotificationOnError() const;
    void setShouldShowLocalNotificationOnError(bool value);
    std::optional<kit::LocalNotification> localNotification() const;
    void setLocalNotification(std::optional<kit::LocalNotification> notification);
    // Presents that notice now, whatever the application's state. Main thread.
    void showLocalNotification();
    std::optional<std::string> uniqueId() const;
    std::optional<std::string> username() const;
    std::optional<std::string> password() const;
    std::uint64_t downloadedDataSize() const;
    std::int64_t startPosition() const;

    // ---- Authentication -----------------------------------------------------
    // Kept to answer the server's challenge with, for this operation's own
    // origin only.
    void setUsername(std::optional<std::string> username, std::optional<std::string> password);
    // With basicAuth the "Authorization" header is also sent up front.
    void setUsername(
        std::optional<std::string> username, std::optional<std::string> password, bool basicAuth);

    // ---- Copies, archives, diagnostics --------------------------------------
    Pointer copy() const;
    Pointer mutableCopy() const { return copy(); }
    // A fresh operation for the same request, handlers and body, not started.
    Pointer copyForRetry() const;
    // A frozen operation as JSON (OperationArchive documents the format). It
    // always reads as ready; the live operation is left as it is.
    foundation::Json encodeWithCoder() const;
    // nullptr for an archive that is not one.
    static Pointer initWithCoder(const foundation::Json& archive);
    // A command line that repeats the request, with every secret masked.
    std::string curlCommandLineString() const;
    std::string description() const;

    // ---- Operation ----------------------------------------------------------
    void start() override;
    void main() override;
    void cancel() override;
    bool isConcurrent() const override { return true; }
    // Starting builds the body and gives the request to the transport; only
    // files to be read into the body make it wait.
    bool startsWithoutWaiting() const override;

    // ---- The connection's reports (main thread) -----------------------------
    std::optional<net::URLRequest> connectionWillSendRequest(OperationConnection& connection,
        const net::URLRequest& request, const net::HTTPURLResponse* redirectResponse) override;
    void connectionWillSendRequestForAuthenticationChallenge(
        OperationConnection& connection, const std::shared_ptr<AuthenticationChallenge>& challenge) override;
    void connectionDidReceiveResponse(
        OperationConnection& connection, const net::HTTPURLResponse& response) override;
    void connectionDidReceiveData(OperationConnection& connection, std::string_view bytes) override;
    void connectionDidSendBodyData(OperationConnection& connection, std::int64_t totalBytesWritten,
        std::int64_t totalBytesExpectedToWrite) override;
    void connectionDidFinishLoading(OperationConnection& connection) override;
    void connectionDidFailWithError(OperationConnection& connection, const net::URLError& error) override;

    // "zh-CN, en-us": the user's languages, then American English.
    static std::string languagesFromLocale();
    // Operations whose request has gone to the transport and that have not
    // finished: the rest of an engine's operations are still on their way
    // through worker threads.
    static std::size_t connectionsUnderWay();

protected:
    void setState(int state);
    void operationSucceeded();
    void operationFailedWithError(const NetworkError& error);
    // Each caller's not-modified handlers; a caller without any that a cached
    // body did not answer hears of the 304 through its error handlers.
    void operationNotModified(const net::HTTPURLResponse& response);

private:
    friend class OperationArchive;
    struct Handlers {
        std::vector<ResponseBlock> responseBlocks;
        std::vector<ErrorBlock> errorBlocks;
        std::vector<OperationErrorBlock> errorBlocksType2;
        std::vector<NotModifiedBlock> notModifiedHandlers;
        std::vector<ProgressBlock> uploadProgressChangedHandlers;
        std::vector<ProgressBlock> downloadProgressChangedHandlers;
        void append(const Handlers& other);
        void clear();
    };
    // The caller of an equal operation that joined this one.
    struct JoinedCaller {
        std::weak_ptr<NetworkOperation> operation;
        Handlers handlers;
        // It was answered from the cache already: a 304 tells it nothing new.
        bool answeredFromCache;
    };

    Pointer selfOperation() { return std::static_pointer_cast<NetworkOperation>(shared_from_this()); }
    void copyInto(NetworkOperation& copy, bool forRetry) const;
    // One list of handlers: this caller's, then those of every joined caller.
    template<typename Block> std::vector<Block> everyCallers(std::vector<Block> Handlers::*list) const;
    // The joined caller has cancelled; the request is cancelled too once
    // nobody waits for it.
    void joinedCallerLeft(const NetworkOperation& caller);
    void closeDownloadStreams();
    // A stream that cannot take the body (closed, or its file failed) fails
    // the operation: a download that lost bytes is no success.
    void downloadStreamFailed(const foundation::OutputStream& stream);
    void endBackgroundTask();
    bool isSecret(std::string_view name) const;

    mutable std::recursive_mutex m_lock;
    int m_state { 0 };
    bool m_started { false };
    bool m_countedAsConnected { false };
    bool m_freezable { false };
    int m_postDataEncoding { URLEncoded };
    bool m_shouldCacheResponseEvenIfProtocolIsHTTPS { false };
    bool m_shouldNotCacheResponse { false };
    bool m_shouldContinueWithInvalidCertificate { false };
    bool m_shouldSendAcceptLanguageHeader { false };
    bool m_shouldShowLocalNotificationOnError { false };
    std::optional<kit::LocalNotification> m_localNotification;
    bool m_isCancelled { false };
    StringEncoding m_stringEncoding { StringEncoding::UTF8 };
    std::optional<NetworkError> m_error;
    std::optional<net::HTTPHeaders> m_cacheHeaders;
    std::optional<std::string> m_clientCertificate;
    std::optional<std::string> m_clientCertificatePassword;
    AuthHandler m_authHandler;
    StateChangedHandler m_operationStateChangedHandler;
    CredentialPersistence m_credentialPersistence { CredentialPersistence::ForSession };
    std::shared_ptr<OperationConnection> m_connection;
    std::optional<std::string> m_uniqueId;
    net::URLRequest m_request;
    std::optional<net::HTTPURLResponse> m_response;
    foundation::Json m_fieldsToBePosted = foundation::Json::object();
    std::vector<FilePart> m_filesToBePosted;
    std::vector<DataPart> m_dataToBePosted;
    std::optional<std::string> m_username;
    std::optional<std::string> m_password;
    // This operation's own caller's handlers; an own caller who cancelled
    // while others wait leaves them empty.
    Handlers m_handlers;
    std::vector<JoinedCaller> m_joinedCallers;
    bool m_ownCallerLeft { false };
    // The operation this one's caller joined, instead of being sent itself.
    std::weak_ptr<NetworkOperation> m_joinedTo;
    // Archived to wait for the network: it must never start.
    bool m_frozen { false };
    std::optional<std::string> m_mutableData;
    std::uint64_t m_downloadedDataSize { 0 };
    std::int64_t m_startPosition { 0 };
    EncodingHandler m_postDataEncodingHandler;
    std::vector<std::shared_ptr<foundation::OutputStream>> m_downloadStreams;
    std::optional<std::string> m_uploadStream;
    std::optional<std::string> m_cachedResponse;
    ResponseBlock m_cacheHandlingBlock;
    unsigned long m_backgroundTaskId { 0 };
    // The origin the request was made for: credentials go nowhere else.
    std::optional<std::string> m_origin;
};
