#include "netengine/NetworkOperation.h"

#include "netengine/MultipartFormData.h"
#include "netengine/NEBase64.h"
#include "netengine/NetworkEngineAdditions.h"
#include "netengine/OperationArchive.h"
#include "netengine/OperationConnection.h"
#include "netengine/RequestEncoding.h"
#include "netengine/ResponseCacheHeaders.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/OutputStream.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Strings.h"
#include "platform/graphics/Image.h"
#include "platform/kit/Application.h"
#include "platform/net/HTTPRedirect.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <filesystem>

namespace {

using Json = foundation::Json;

bool isMethod(std::string_view method, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), method) != names.end();
}

// What the platform would take as a URL: a scheme and a host, and nothing
// but visible ASCII (a space or a raw Chinese character is refused).
bool formsURL(std::string_view text)
{
    if (std::any_of(text.begin(), text.end(), [](char c) {
            auto const byte = static_cast<unsigned char>(c);
            return byte <= 0x20 || byte >= 0x7F;
        }))
        return false;
    return net::HTTPRedirect::origin(text).has_value();
}

std::string ianaCharsetName(NetworkOperation::StringEncoding encoding)
{
    switch (encoding) {
    case NetworkOperation::StringEncoding::ASCII:
        return "us-ascii";
    case NetworkOperation::StringEncoding::ISOLatin1:
        return "iso-8859-1";
    case NetworkOperation::StringEncoding::UTF8:
        break;
    }
    return "utf-8";
}

// Text (UTF-8) as bytes of the encoding; what the encoding cannot hold
// becomes "?".
std::string encodedText(std::string_view text, NetworkOperation::StringEncoding encoding)
{
    if (encoding == NetworkOperation::StringEncoding::UTF8)
        return std::string(text);
    char32_t const limit = encoding == NetworkOperation::StringEncoding::ASCII ? 0x80 : 0x100;
    std::string out;
    for (char32_t c : foundation::decodeUtf8(text).value_or(std::u32string()))
        out += c < limit ? static_cast<char>(c) : '?';
    return out;
}

std::optional<std::string> decodedText(std::string_view bytes, NetworkOperation::StringEncoding encoding)
{
    switch (encoding) {
    case NetworkOperation::StringEncoding::UTF8:
        return foundation::textFromUtf8(bytes);
    case NetworkOperation::StringEncoding::ASCII:
        if (std::any_of(
                bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            return std::nullopt;
        return std::string(bytes);
    case NetworkOperation::StringEncoding::ISOLatin1: {
        std::string out;
        for (char c : bytes)
            out += foundation::encodeUtf8(static_cast<unsigned char>(c));
        return out;
    }
    }
    return std::nullopt;
}

// A value as a shell word: single quotes, with any single quote closed,
// escaped and reopened.
std::string shellQuoted(std::string_view text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

constexpr std::string_view masked = "***";

std::atomic<std::size_t>& connectedCount()
{
    static std::atomic<std::size_t> count { 0 };
    return count;
}

} // namespace

void NetworkOperation::Handlers::append(const Handlers& other)
{
    auto add = [](auto& into, const auto& from) { into.insert(into.end(), from.begin(), from.end()); };
    add(responseBlocks, other.responseBlocks);
    add(errorBlocks, other.errorBlocks);
    add(errorBlocksType2, other.errorBlocksType2);
    add(notModifiedHandlers, other.notModifiedHandlers);
    add(uploadProgressChangedHandlers, other.uploadProgressChangedHandlers);
    add(downloadProgressChangedHandlers, other.downloadProgressChangedHandlers);
}

void NetworkOperation::Handlers::clear()
{
    *this = Handlers {};
}

NetworkOperation::Pointer NetworkOperation::initWithURLString(
    std::string_view urlString, const std::optional<Json>& params, const std::optional<std::string>& method)
{
    auto operation = std::make_shared<NetworkOperation>();
    if (!operation->initWithURLStringParamsHttpMethod(urlString, params, method))
        return nullptr;
    return operation;
}

NetworkOperation::NetworkOperation() = default;

NetworkOperation::~NetworkOperation()
{
    if (m_connection)
        m_connection->cancel();
}

bool NetworkOperation::initWithURLStringParamsHttpMethod(
    std::string_view urlString, const std::optional<Json>& params, const std::optional<std::string>& method)
{
    std::lock_guard lock(m_lock);
    m_handlers.clear();
    m_fieldsToBePosted = params && params->is_object() ? *params : Json::object();
    m_credentialPersistence = CredentialPersistence::ForSession;
    m_stringEncoding = StringEncoding::UTF8;

    std::string const httpMethod = method.value_or("GET");
    if (httpMethod == "GET")
        m_cacheHeaders = net::HTTPHeaders {};
    std::string url(urlString);
    if (isMethod(httpMethod, { "GET", "DELETE" }) && !m_fieldsToBePosted.empty())
        url += "?" + RequestEncoding::urlEncodedKeyValueString(m_fieldsToBePosted);
    if (!formsURL(url))
        return false;
    m_origin = net::HTTPRedirect::origin(url);

    m_request
        = net::URLRequest(url, net::URLRequestCachePolicy::ReloadIgnoringLocalCacheData, timeoutInterval);
    m_request.setDeadlineInterval(net::URLRequest::noDeadline);
    m_request.setHTTPMethod(httpMethod);
    if (isMethod(httpMethod, { "POST", "PUT" }) && !m_fieldsToBePosted.empty())
        setPostDataEncoding(URLEncoded);
    m_state = StateReady;
    return true;
}

// ---- Request building ---------------------------------------------------------

void NetworkOperation::addParams(const Json& params)
{
    if (!params.is_object())
        return;
    std::lock_guard lock(m_lock);
    for (const auto& [key, value] : params.items())
        m_fieldsToBePosted[key] = value;
}

void NetworkOperation::addHeaders(const net::HTTPHeaders& headers)
{
    std::lock_guard lock(m_lock);
    for (const auto& [field, value] : headers.fields())
        m_request.addValueForHTTPHeaderField(value, field);
}

void NetworkOperation::addHeader(std::string_view field, std::string_view value)
{
    std::lock_guard lock(m_lock);
    m_request.addValueForHTTPHeaderField(std::string(value), field);
}

void NetworkOperation::setHeader(std::string_view field, std::optional<std::string> value)
{
    std::lock_guard lock(m_lock);
    m_request.setValueForHTTPHeaderField(std::move(value), field);
}

void NetworkOperation::setAuthorizationHeaderValue(std::string_view value, std::string_view authType)
{
    setHeader("Authorization", std::string(authType) + " " + std::string(value));
}

int NetworkOperation::postDataEncoding() const
{
    std::lock_guard lock(m_lock);
    return m_postDataEncoding;
}

void NetworkOperation::setPostDataEncoding(int encoding)
{
    std::lock_guard lock(m_lock);
    m_postDataEncoding = encoding;
    auto const charset = ianaCharsetName(m_stringEncoding);
    switch (encoding) {
    case URLEncoded:
        m_request.setValueForHTTPHeaderField(
            "application/x-www-form-urlencoded; charset=" + charset, "Content-Type");
        break;
    case JSON:
        m_request.setValueForHTTPHeaderField("application/json; charset=" + charset, "Content-Type");
        break;
    case PropertyList:
        m_request.setValueForHTTPHeaderField("application/x-plist; charset=" + charset, "Content-Type");
        break;
    default:
        break;
    }
}

void NetworkOperation::setCustomPostDataEncodingHandler(EncodingHandler handler, std::string_view contentType)
{
    std::lock_guard lock(m_lock);
    m_postDataEncoding = Custom;
    m_postDataEncodingHandler = std::move(handler);
    m_request.setValueForHTTPHeaderField(
        std::string(contentType) + "; charset=" + ianaCharsetName(m_stringEncoding), "Content-Type");
}

std::string NetworkOperation::encodedPostDataString() const
{
    std::lock_guard lock(m_lock);
    if (m_postDataEncodingHandler)
        return m_postDataEncodingHandler(m_fieldsToBePosted);
    switch (m_postDataEncoding) {
    case URLEncoded:
        return RequestEncoding::urlEncodedKeyValueString(m_fieldsToBePosted);
    case JSON:
        return RequestEncoding::jsonEncodedKeyValueString(m_fieldsToBePosted);
    case PropertyList:
        return RequestEncoding::plistEncodedKeyValueString(m_fieldsToBePosted);
    default:
        return {};
    }
}

std::optional<std::string> NetworkOperation::bodyData()
{
    std::lock_guard lock(m_lock);
    if (m_filesToBePosted.empty() && m_dataToBePosted.empty())
        return encodedText(encodedPostDataString(), m_stringEncoding);

    MultipartFormData form;
    for (const auto& [key, value] : m_fieldsToBePosted.items())
        form.appendField(encodedText(key, m_stringEncoding),
            encodedText(value.is_string() ? value.get_ref<const std::string&>() : foundation::describe(value),
                m_stringEncoding));
    for (const auto& file : m_filesToBePosted) {
        // A file that cannot be read would go up as an empty part, reported
        // as a success; the operation fails instead.
        auto bytes = foundation::Paths::readFile(file.filepath);
        if (bytes.isError())
            return std::nullopt;
        form.appendFile(file.name, std::filesystem::path(file.filepath).filename().string(), file.mimetype,
            bytes.value());
    }
    for (const auto& part : m_dataToBePosted)
        form.appendFile(part.name, part.filename, part.mimetype, part.data);
    auto body = form.body();
    m_request.setValueForHTTPHeaderField(form.contentType(ianaCharsetName(m_stringEncoding)), "Content-Type");
    m_request.setValueForHTTPHeaderField(std::to_string(body.size()), "Content-Length");
    return body;
}

void NetworkOperation::addData(std::string data, std::string_view key)
{
    addData(std::move(data), key, "application/octet-stream", "file");
}

void NetworkOperation::addData(
    std::string data, std::string_view key, std::string_view mimeType, std::string_view fileName)
{
    std::lock_guard lock(m_lock);
    if (m_request.httpMethod() == "GET")
        m_request.setHTTPMethod("POST");
    m_dataToBePosted.push_back(
        { std::move(data), std::string(key), std::string(mimeType), std::string(fileName) });
}

void NetworkOperation::addFile(std::string_view filePath, std::string_view key)
{
    addFile(filePath, key, "application/octet-stream");
}

void NetworkOperation::addFile(std::string_view filePath, std::string_view key, std::string_view mimeType)
{
    std::lock_guard lock(m_lock);
    if (m_request.httpMethod() == "GET")
        m_request.setHTTPMethod("POST");
    m_filesToBePosted.push_back({ std::string(filePath), std::string(key), std::string(mimeType) });
}

void NetworkOperation::setUploadStream(std::optional<std::string> bytes)
{
    std::lock_guard lock(m_lock);
    m_uploadStream = std::move(bytes);
}

void NetworkOperation::addDownloadStream(const std::shared_ptr<foundation::OutputStream>& stream)
{
    if (!stream)
        return;
    std::lock_guard lock(m_lock);
    m_downloadStreams.push_back(stream);
}

void NetworkOperation::setTimeoutInterval(double seconds)
{
    std::lock_guard lock(m_lock);
    m_request.setTimeoutInterval(seconds);
}

void NetworkOperation::setDeadlineInterval(double seconds)
{
    std::lock_guard lock(m_lock);
    m_request.setDeadlineInterval(seconds);
}

// ---- Handlers -----------------------------------------------------------------

namespace {

template<typename Block> void appendIfSet(std::vector<Block>& list, Block block)
{
    if (block)
        list.push_back(std::move(block));
}

} // namespace

void NetworkOperation::addCompletionHandler(ResponseBlock completion, OperationErrorBlock error)
{
    std::lock_guard lock(m_lock);
    appendIfSet(m_handlers.responseBlocks, std::move(completion));
    appendIfSet(m_handlers.errorBlocksType2, std::move(error));
}

void NetworkOperation::onCompletion(ResponseBlock completion, ErrorBlock error)
{
    std::lock_guard lock(m_lock);
    appendIfSet(m_handlers.responseBlocks, std::move(completion));
    appendIfSet(m_handlers.errorBlocks, std::move(error));
}

void NetworkOperation::onNotModified(NotModifiedBlock handler)
{
    std::lock_guard lock(m_lock);
    appendIfSet(m_handlers.notModifiedHandlers, std::move(handler));
}

void NetworkOperation::onUploadProgressChanged(ProgressBlock handler)
{
    std::lock_guard lock(m_lock);
    appendIfSet(m_handlers.uploadProgressChangedHandlers, std::move(handler));
}

void NetworkOperation::onDownloadProgressChanged(ProgressBlock handler)
{
    std::lock_guard lock(m_lock);
    appendIfSet(m_handlers.downloadProgressChangedHandlers, std::move(handler));
}

void NetworkOperation::setCacheHandler(ResponseBlock handler)
{
    std::lock_guard lock(m_lock);
    m_cacheHandlingBlock = std::move(handler);
}

void NetworkOperation::setOperationStateChangedHandler(StateChangedHandler handler)
{
    std::lock_guard lock(m_lock);
    m_operationStateChangedHandler = std::move(handler);
}

void NetworkOperation::setAuthHandler(AuthHandler handler)
{
    std::lock_guard lock(m_lock);
    m_authHandler = std::move(handler);
}

// ---- Readers ------------------------------------------------------------------

std::string NetworkOperation::url() const
{
    std::lock_guard lock(m_lock);
    return m_request.url();
}

std::string NetworkOperation::HTTPMethod() const
{
    std::lock_guard lock(m_lock);
    return m_request.httpMethod();
}

int NetworkOperation::HTTPStatusCode() const
{
    std::lock_guard lock(m_lock);
    return m_response ? m_response->statusCode() : 0;
}

net::URLRequest NetworkOperation::readonlyRequest() const
{
    std::lock_guard lock(m_lock);
    return m_request;
}

std::optional<net::HTTPURLResponse> NetworkOperation::readonlyResponse() const
{
    std::lock_guard lock(m_lock);
    return m_response;
}

Json NetworkOperation::readonlyPostDictionary() const
{
    std::lock_guard lock(m_lock);
    return m_fieldsToBePosted;
}

bool NetworkOperation::isCachedResponse() const
{
    std::lock_guard lock(m_lock);
    return m_cachedResponse.has_value();
}

std::optional<std::string> NetworkOperation::responseData() const
{
    std::lock_guard lock(m_lock);
    return m_state == StateFinished ? m_mutableData : m_cachedResponse;
}

std::optional<std::string> NetworkOperation::responseString() const
{
    return responseStringWithEncoding(stringEncoding());
}

std::optional<std::string> NetworkOperation::responseStringWithEncoding(StringEncoding encoding) const
{
    auto data = responseData();
    if (!data)
        return std::nullopt;
    return decodedText(*data, encoding);
}

std::shared_ptr<const graphics::Image> NetworkOperation::responseImage() const
{
    auto data = responseData();
    return data ? graphics::Image::fromData(std::string_view(*data)) : nullptr;
}

void NetworkOperation::decompressedResponseImageOfSize(double, double, ImageHandler handler) const
{
    auto data = responseData();
    foundation::DispatchQueue::global(foundation::DispatchQueue::Priority::High)
        ->async([data = std::move(data), handler = std::move(handler)]() mutable {
            auto image = data ? graphics::Image::fromData(std::string_view(*data)) : nullptr;
            foundation::DispatchQueue::main()->async(
                [image = std::move(image), handler = std::move(handler)] {
                    if (handler)
                        handler(image);
                });
        });
}

std::optional<Json> NetworkOperation::responseJSON() const
{
    return foundation::parseJsonObject(responseData());
}

void NetworkOperation::responseJSONWithCompletionHandler(JsonHandler handler) const
{
    auto data = responseData();
    if (!data) {
        if (handler)
            handler(std::nullopt);
        return;
    }
    // Both outcomes reach the handler on the main queue, like every other
    // handler of the operation.
    foundation::DispatchQueue::global(foundation::DispatchQueue::Priority::High)
        ->async([data = std::move(data), handler = std::move(handler)]() mutable {
            auto object = foundation::parseJsonObject(*data);
            foundation::DispatchQueue::main()->async(
                [object = std::move(object), handler = std::move(handler)] {
                    if (handler)
                        handler(object);
                });
        });
}

std::optional<NetworkError> NetworkOperation::error() const
{
    std::lock_guard lock(m_lock);
    return m_error;
}

// ---- Engine-facing ------------------------------------------------------------

bool NetworkOperation::isCacheable() const
{
    std::lock_guard lock(m_lock);
    // Credentials in a header field of the caller's own are credentials too: the
    // answer is theirs, and the identifier (method and URL) cannot tell callers apart.
    if (m_shouldNotCacheResponse || m_username || m_password || m_clientCertificate
        || m_clientCertificatePassword || m_request.valueForHTTPHeaderField("Authorization"))
        return false;
    if (m_request.httpMethod() != "GET")
        return false;
    auto const& url = m_request.url();
    if (foundation::asciiLowercase(url.substr(0, url.find(':'))) == "https")
        return m_shouldCacheResponseEvenIfProtocolIsHTTPS;
    return m_downloadStreams.empty();
}

std::string NetworkOperation::uniqueIdentifier() const
{
    std::lock_guard lock(m_lock);
    std::string text = m_request.httpMethod() + " " + m_request.url();
    if (m_username || m_password)
        text += " [" + m_username.value_or("") + ":" + m_password.value_or("") + "]";
    if (m_freezable && m_uniqueId)
        text += *m_uniqueId;
    return NetworkEngineAdditions::md5(text);
}

bool NetworkOperation::isEqual(const NetworkOperation& other) const
{
    if (&other == this)
        return true;
    if (typeid(other) != typeid(*this))
        return false;
    if (!isMethod(HTTPMethod(), { "GET", "HEAD" }))
        return false;
    return uniqueIdentifier() == other.uniqueIdentifier();
}

std::size_t NetworkOperation::hash() const
{
    return std::hash<std::string> {}(uniqueIdentifier());
}

bool NetworkOperation::freezable() const
{
    std::lock_guard lock(m_lock);
    return m_freezable;
}

void NetworkOperation::setFreezable(bool freezable)
{
    std::lock_guard lock(m_lock);
    // A GET has no effect to keep for later; only other methods freeze.
    if (m_request.httpMethod() == "GET") {
        m_freezable = false;
        return;
    }
    m_freezable = freezable;
    if (freezable && !m_uniqueId)
        m_uniqueId = NetworkEngineAdditions::uniqueString();
}

void NetworkOperation::setCachedData(std::string data)
{
    std::vector<ResponseBlock> blocks;
    {
        std::lock_guard lock(m_lock);
        m_cachedResponse = std::move(data);
        // Only this operation's own caller: a joined caller had its own
        // operation answered from the cache.
        blocks = m_handlers.responseBlocks;
    }
    auto self = selfOperation();
    for (auto& block : blocks)
        block(self);
}

bool NetworkOperation::updateHandlersFromOperation(NetworkOperation& other)
{
    if (&other == this)
        return true;
    std::scoped_lock lock(m_lock, other.m_lock);
    if (other.m_isCancelled)
        return true;
    if (m_state == StateFinished || m_isCancelled || !m_downloadStreams.empty()
        || !other.m_downloadStreams.empty())
        return false;
    auto const shared = [](NetworkOperation& operation) {
        return std::static_pointer_cast<NetworkOperation>(operation.weak_from_this().lock());
    };
    m_joinedCallers.push_back({ shared(other), other.m_handlers, other.m_cachedResponse.has_value() });
    other.m_joinedTo = shared(*this);
    return true;
}

void NetworkOperation::joinedCallerLeft(const NetworkOperation& caller)
{
    Handlers dropped;
    bool nobodyWaits;
    {
        std::lock_guard lock(m_lock);
        auto it = std::find_if(m_joinedCallers.begin(), m_joinedCallers.end(),
            [&caller](const JoinedCaller& joined) { return joined.operation.lock().get() == &caller; });
        if (it == m_joinedCallers.end())
            return;
        dropped = std::move(it->handlers);
        m_joinedCallers.erase(it);
        nobodyWaits = m_ownCallerLeft && m_joinedCallers.empty();
    }
    if (nobodyWaits)
        cancel();
    foundation::DispatchQueue::main()->async([dropped = std::move(dropped)] {});
}

void NetworkOperation::cancelWithJoinedCallers()
{
    std::vector<JoinedCaller> joined;
    {
        std::lock_guard lock(m_lock);
        joined = std::exchange(m_joinedCallers, {});
    }
    // Their callers see them cancelled; there is nothing left here to leave.
    for (auto& caller : joined)
        if (auto operation = caller.operation.lock())
            operation->cancel();
    cancel();
    foundation::DispatchQueue::main()->async([joined = std::move(joined)] {});
}

template<typename Block>
std::vector<Block> NetworkOperation::everyCallers(std::vector<Block> Handlers::*list) const
{
    std::lock_guard lock(m_lock);
    auto blocks = m_handlers.*list;
    for (const auto& joined : m_joinedCallers)
        blocks.insert(blocks.end(), (joined.handlers.*list).begin(), (joined.handlers.*list).end());
    return blocks;
}

void NetworkOperation::updateOperationBasedOnPreviousHeaders(const net::HTTPHeaders& headers)
{
    std::lock_guard lock(m_lock);
    if (auto lastModified = headers.value("Last-Modified"))
        m_request.setValueForHTTPHeaderField(lastModified, "IF-MODIFIED-SINCE");
    if (auto eTag = headers.value("ETag"))
        m_request.setValueForHTTPHeaderField(eTag, "IF-NONE-MATCH");
}

void NetworkOperation::notifyCache()
{
    ResponseBlock block;
    {
        std::lock_guard lock(m_lock);
        int const status = m_response ? m_response->statusCode() : 0;
        if (status < 200 || status >= 300 || m_isCancelled)
            return;
        block = m_cacheHandlingBlock;
    }
    if (block && isCacheable())
        block(selfOperation());
}

std::optional<Json> NetworkOperation::freezeIfNotStarted()
{
    std::lock_guard lock(m_lock);
    if (m_started || m_frozen || m_state != StateReady || m_isCancelled)
        return std::nullopt;
    auto archive = encodeWithCoder();
    m_frozen = true;
    return archive;
}

void NetworkOperation::cancelAfterFreezing()
{
    {
        std::lock_guard lock(m_lock);
        // Told even when the queue has started it meanwhile: a frozen
        // operation finishes at once, without a word of its own.
        if (!m_frozen || m_isCancelled)
            return;
    }
    operationFailedWithError(NetworkError(net::URLError::NotConnectedToInternet,
        "The network is away; the request is kept and will be sent when it returns.", url()));
    cancel();
}

net::HTTPHeaders NetworkOperation::cacheHeaders() const
{
    std::lock_guard lock(m_lock);
    return m_cacheHeaders.value_or(net::HTTPHeaders {});
}

// ---- Flags and fields ---------------------------------------------------------

#define NETWORK_OPERATION_FIELD(Type, getter, setter, member)                                                \
    Type NetworkOperation::getter() const                                                                    \
    {                                                                                                        \
        std::lock_guard lock(m_lock);                                                                        \
        return member;                                                                                       \
    }                                                                                                        \
    void NetworkOperation::setter(Type value)                                                                \
    {                                                                                                        \
        std::lock_guard lock(m_lock);                                                                        \
        member = std::move(value);                                                                           \
    }

NETWORK_OPERATION_FIELD(bool, shouldCacheResponseEvenIfProtocolIsHTTPS,
    setShouldCacheResponseEvenIfProtocolIsHTTPS, m_shouldCacheResponseEvenIfProtocolIsHTTPS)
NETWORK_OPERATION_FIELD(bool, shouldNotCacheResponse, setShouldNotCacheResponse, m_shouldNotCacheResponse)
NETWORK_OPERATION_FIELD(bool, shouldContinueWithInvalidCertificate, setShouldContinueWithInvalidCertificate,
    m_shouldContinueWithInvalidCertificate)
NETWORK_OPERATION_FIELD(
    bool, shouldSendAcceptLanguageHeader, setShouldSendAcceptLanguageHeader, m_shouldSendAcceptLanguageHeader)
NETWORK_OPERATION_FIELD(NetworkOperation::StringEncoding, stringEncoding, setStringEncoding, m_stringEncoding)
NETWORK_OPERATION_FIELD(
    std::optional<std::string>, clientCertificate, setClientCertificate, m_clientCertificate)
NETWORK_OPERATION_FIELD(std::optional<std::string>, clientCertificatePassword, setClientCertificatePassword,
    m_clientCertificatePassword)
NETWORK_OPERATION_FIELD(
    CredentialPersistence, credentialPersistence, setCredentialPersistence, m_credentialPersistence)
NETWORK_OPERATION_FIELD(bool, shouldShowLocalNotificationOnError, setShouldShowLocalNotificationOnError,
    m_shouldShowLocalNotificationOnError)
NETWORK_OPERATION_FIELD(
    std::optional<kit::LocalNotification>, localNotification, setLocalNotification, m_localNotification)

#undef NETWORK_OPERATION_FIELD

int NetworkOperation::state() const
{
    std::lock_guard lock(m_lock);
    return m_state;
}

std::optional<std::string> NetworkOperation::uniqueId() const
{
    std::lock_guard lock(m_lock);
    return m_uniqueId;
}

std::optional<std::string> NetworkOperation::username() const
{
    std::lock_guard lock(m_lock);
    return m_username;
}

std::optional<std::string> NetworkOperation::password() const
{
    std::lock_guard lock(m_lock);
    return m_password;
}

std::uint64_t NetworkOperation::downloadedDataSize() const
{
    std::lock_guard lock(m_lock);
    return m_downloadedDataSize;
}

std::int64_t NetworkOperation::startPosition() const
{
    std::lock_guard lock(m_lock);
    return m_startPosition;
}

// ---- Authentication -----------------------------------------------------------

void NetworkOperation::setUsername(std::optional<std::string> username, std::optional<std::string> password)
{
    std::lock_guard lock(m_lock);
    m_username = std::move(username);
    m_password = std::move(password);
}

void NetworkOperation::setUsername(
    std::optional<std::string> username, std::optional<std::string> password, bool basicAuth)
{
    setUsername(username, password);
    if (!basicAuth)
        return;
    auto const credential = username.value_or("") + ":" + password.value_or("");
    setAuthorizationHeaderValue(NEBase64::base64EncodedString(credential), "Basic");
}

// ---- Copies, archives, diagnostics ---------------------------------------------

void NetworkOperation::copyInto(NetworkOperation& copy, bool forRetry) const
{
    std::scoped_lock lock(m_lock, copy.m_lock);
    copy.m_postDataEncoding = m_postDataEncoding;
    copy.m_postDataEncodingHandler = m_postDataEncodingHandler;
    copy.m_stringEncoding = m_stringEncoding;
    copy.m_uniqueId = m_uniqueId;
    copy.m_freezable = m_freezable;
    copy.m_request = m_request;
    copy.m_origin = m_origin;
    copy.m_fieldsToBePosted = m_fieldsToBePosted;
    copy.m_filesToBePosted = m_filesToBePosted;
    copy.m_dataToBePosted = m_dataToBePosted;
    copy.m_username = m_username;
    copy.m_password = m_password;
    copy.m_clientCertificate = m_clientCertificate;
    copy.m_clientCertificatePassword = m_clientCertificatePassword;
    copy.m_shouldContinueWithInvalidCertificate = m_shouldContinueWithInvalidCertificate;
    copy.m_shouldSendAcceptLanguageHeader = m_shouldSendAcceptLanguageHeader;
    copy.m_shouldCacheResponseEvenIfProtocolIsHTTPS = m_shouldCacheResponseEvenIfProtocolIsHTTPS;
    copy.m_shouldNotCacheResponse = m_shouldNotCacheResponse;
    // A retry that fails in the background is told as the first try would be.
    copy.m_shouldShowLocalNotificationOnError = m_shouldShowLocalNotificationOnError;
    copy.m_localNotification = m_localNotification;
    copy.m_handlers = m_handlers;
    copy.m_mutableData = m_mutableData;
    copy.m_downloadStreams = m_downloadStreams;
    copy.m_uploadStream = m_uploadStream;
    copy.m_cachedResponse = m_cachedResponse;
    copy.m_cacheHandlingBlock = m_cacheHandlingBlock;
    copy.m_credentialPersistence = m_credentialPersistence;
    copy.m_authHandler = m_authHandler;
    copy.m_cacheHeaders = m_request.httpMethod() == "GET" ? std::optional(net::HTTPHeaders {}) : std::nullopt;
    if (forRetry) {
        copy.m_state = StateReady;
        return;
    }
    // A copy of a running operation is a snapshot: it has no connection of
    // its own and will never finish by itself.
    copy.m_response = m_response;
    copy.m_state = m_state;
    copy.m_isCancelled = m_isCancelled;
    copy.m_downloadedDataSize = m_downloadedDataSize;
    copy.m_startPosition = m_startPosition;
}

NetworkOperation::Pointer NetworkOperation::copy() const
{
    auto copy = std::make_shared<NetworkOperation>();
    copyInto(*copy, false);
    return copy;
}

NetworkOperation::Pointer NetworkOperation::copyForRetry() const
{
    auto copy = std::make_shared<NetworkOperation>();
    copyInto(*copy, true);
    return copy;
}

Json NetworkOperation::encodeWithCoder() const
{
    return OperationArchive::encode(*this);
}

NetworkOperation::Pointer NetworkOperation::initWithCoder(const Json& archive)
{
    return OperationArchive::decode(archive);
}

bool NetworkOperation::isSecret(std::string_view name) const
{
    auto const lower = foundation::asciiLowercase(name);
    for (auto word : { "pass", "pwd", "secret", "token", "authorization", "cookie" })
        if (foundation::contains(lower, word))
            return true;
    return lower == "key" || lower == "qvkey";
}

std::string NetworkOperation::curlCommandLineString() const
{
    std::lock_guard lock(m_lock);
    auto const& method = m_request.httpMethod();
    std::string text = "curl -X " + method;
    if (m_filesToBePosted.empty() && m_dataToBePosted.empty()) {
        for (const auto& [field, value] : m_request.allHTTPHeaderFields().fields())
            text += " -H " + shellQuoted(field + ": " + (isSecret(field) ? std::string(masked) : value));
    }
    // Secrets travel in a GET's query too.
    std::string url = m_request.url();
    if (auto question = url.find('?'); question != std::string::npos) {
        std::string query;
        for (const auto& pair : foundation::split(std::string_view(url).substr(question + 1), "&")) {
            auto const equals = pair.find('=');
            auto const name = NetworkEngineAdditions::urlDecodedString(pair.substr(0, equals));
            query += (query.empty() ? "" : "&")
                + (equals != std::string::npos && isSecret(name)
                        ? pair.substr(0, equals + 1) + std::string(masked)
                        : pair);
        }
        url = url.substr(0, question + 1) + query;
    }
    text += " " + shellQuoted(url);
    if (!isMethod(method, { "POST", "PUT", "PATCH" }))
        return text;

    std::string const option = m_filesToBePosted.empty() ? "-d" : "-F";
    Json shown = m_fieldsToBePosted;
    for (auto& [key, value] : shown.items())
        if (isSecret(key))
            value = std::string(masked);
    if (m_postDataEncoding != URLEncoded) {
        std::string body;
        if (m_postDataEncodingHandler)
            body = m_postDataEncodingHandler(shown);
        else if (m_postDataEncoding == JSON)
            body = RequestEncoding::jsonEncodedKeyValueString(shown);
        else if (m_postDataEncoding == PropertyList)
            body = RequestEncoding::plistEncodedKeyValueString(shown);
        text += " -d " + shellQuoted(body);
    } else {
        for (const auto& [key, value] : shown.items())
            text += " " + option + " "
                + shellQuoted(
                    key + "=" + (value.is_string() ? value.get<std::string>() : foundation::describe(value)));
    }
    for (const auto& file : m_filesToBePosted)
        text += " -F " + shellQuoted(file.name + "=@" + file.filepath + ";type=" + file.mimetype);
    return text;
}

std::string NetworkOperation::description() const
{
    auto const now = static_cast<std::time_t>(foundation::Clock::current()->now());
    std::tm local {};
    localtime_r(&now, &local);
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S %z", &local);
    std::string text = std::string(date) + "\nRequest\n-------\n" + curlCommandLineString();
    if (auto response = responseString(); response && !response->empty())
        text += "\n--------\nResponse\n--------\n" + *response + "\n";
    return text;
}

std::string NetworkOperation::languagesFromLocale()
{
    std::string text;
    for (const auto& language : foundation::Locale::preferredLanguages())
        text += language + ", ";
    return text + "en-us";
}

// ---- Running ------------------------------------------------------------------

std::size_t NetworkOperation::connectionsUnderWay()
{
    return connectedCount().load();
}

void NetworkOperation::setState(int state)
{
    StateChangedHandler handler;
    {
        std::lock_guard lock(m_lock);
        // Finishing is once: the queue must never hear of it twice.
        if (m_state == state || m_state == StateFinished)
            return;
        m_state = state;
        handler = m_operationStateChangedHandler;
        if (state == StateFinished && std::exchange(m_countedAsConnected, false))
            --connectedCount();
    }
    if (state == StateExecuting)
        setExecuting(true);
    else if (state == StateFinished)
        finish();
    if (handler)
        handler(state);
}

void NetworkOperation::main()
{
    start();
}

bool NetworkOperation::startsWithoutWaiting() const
{
    std::lock_guard lock(m_lock);
    return m_filesToBePosted.empty();
}

void NetworkOperation::start()
{
    bool notReady;
    {
        // Started once: a second start would send the request again.
        std::lock_guard lock(m_lock);
        if (m_started)
            return;
        m_started = true;
        notReady = m_state != StateReady;
    }
    if (notReady) {
        // A copy of an operation that ran is a record of it: it sends
        // nothing, and must not keep the queue's slot waiting for an end.
        foundation::Operation::finish();
        return;
    }
    std::weak_ptr<NetworkOperation> weak = selfOperation();
    if (auto* application = kit::Application::sharedApplication()) {
        auto id = application->beginBackgroundTask([weak] {
            foundation::DispatchQueue::main()->async([weak] {
                if (auto self = weak.lock()) {
                    self->endBackgroundTask();
                    self->cancelWithJoinedCallers();
                }
            });
        });
        std::lock_guard lock(m_lock);
        m_backgroundTaskId = id;
    }

    bool cancelled;
    std::optional<std::string> body;
    bool unreadable = false;
    {
        std::lock_guard lock(m_lock);
        // A frozen operation waits on disk; this one must not go out too.
        cancelled = m_isCancelled || m_frozen || isCancelled();
        if (!cancelled && isMethod(m_request.httpMethod(), { "POST", "PUT", "PATCH" })) {
            body = m_uploadStream ? m_uploadStream : bodyData();
            unreadable = !body;
            m_request.setHTTPBody(std::move(body));
        }
    }
    if (cancelled) {
        setState(StateFinished);
        endBackgroundTask();
        return;
    }
    // Executing before the connection exists: it may finish on the main
    // thread before this thread runs another line, and a finish that came
    // first would be undone and hold a queue slot for ever.
    setState(StateExecuting);
    if (unreadable) {
        foundation::DispatchQueue::main()->async([weak] {
            auto self = weak.lock();
            if (!self)
                return;
            self->setState(StateFinished);
            self->operationFailedWithError(NetworkError(
                net::URLError::FileDoesNotExist, "A file to upload could not be read.", self->url()));
            self->endBackgroundTask();
        });
        return;
    }
    // The request goes out from here, without a turn of the main loop first;
    // everything the connection reports comes on the main thread.
    std::shared_ptr<OperationConnection> connection;
    {
        std::lock_guard lock(m_lock);
        if (m_isCancelled)
            return;
        m_connection = OperationConnection::create(m_request, weak);
        connection = m_connection;
    }
    connection->start();
    // Counted once the transport has the request (unless it is already over).
    std::lock_guard lock(m_lock);
    if (m_state != StateFinished) {
        m_countedAsConnected = true;
        ++connectedCount();
    }
}

void NetworkOperation::cancel()
{
    Handlers dropped;
    std::vector<std::shared_ptr<foundation::OutputStream>> streams;
    ResponseBlock cacheBlock;
    AuthHandler authHandler;
    bool wasExecuting = false;
    bool othersWait;
    std::shared_ptr<NetworkOperation> joinedTo;
    {
        std::lock_guard lock(m_lock);
        // A finished operation has told its caller; cancelling it now would
        // change nothing true about it.
        if (m_state == StateFinished)
            return;
        dropped = std::exchange(m_handlers, Handlers {});
        // Others wait for this request: only this caller goes.
        othersWait = !m_joinedCallers.empty();
        m_ownCallerLeft = true;
        if (!othersWait) {
            joinedTo = std::exchange(m_joinedTo, {}).lock();
            m_isCancelled = true;
            if (m_connection)
                m_connection->cancel();
            streams = std::exchange(m_downloadStreams, {});
            authHandler = std::exchange(m_authHandler, nullptr);
            cacheBlock = std::exchange(m_cacheHandlingBlock, nullptr);
            m_mutableData.reset();
            m_downloadedDataSize = 0;
            wasExecuting = m_state == StateExecuting;
        }
    }
    if (!othersWait) {
        for (auto& stream : streams)
            stream->close();
        // Marked cancelled before it finishes: a finished operation takes no mark.
        foundation::Operation::cancel();
        if (wasExecuting)
            setState(StateFinished);
        endBackgroundTask();
    }
    if (joinedTo)
        joinedTo->joinedCallerLeft(*this);
    // What the handlers hold (screens among it) is let go on the main thread.
    foundation::DispatchQueue::main()->async(
        [dropped = std::move(dropped), cacheBlock = std::move(cacheBlock),
            authHandler = std::move(authHandler)] {});
}

void NetworkOperation::endBackgroundTask()
{
    auto end = [](NetworkOperation& self) {
        unsigned long id;
        {
            std::lock_guard lock(self.m_lock);
            id = std::exchange(self.m_backgroundTaskId, kit::Application::invalidBackgroundTask);
        }
        if (id == kit::Application::invalidBackgroundTask)
            return;
        if (auto* application = kit::Application::sharedApplication())
            application->endBackgroundTask(id);
    };
    // Replies end on the main thread already: no second wake of it for this.
    if (foundation::RunLoop::isMainThread()) {
        end(*this);
        return;
    }
    std::weak_ptr<NetworkOperation> weak = selfOperation();
    foundation::DispatchQueue::main()->async([weak, end] {
        if (auto self = weak.lock())
            end(*self);
    });
}

void NetworkOperation::closeDownloadStreams()
{
    std::vector<std::shared_ptr<foundation::OutputStream>> streams;
    {
        std::lock_guard lock(m_lock);
        streams = m_downloadStreams;
    }
    for (auto& stream : streams)
        stream->close();
}

void NetworkOperation::operationSucceeded()
{
    auto const blocks = everyCallers(&Handlers::responseBlocks);
    auto self = selfOperation();
    for (auto& block : blocks)
        block(self);
}

void NetworkOperation::operationFailedWithError(const NetworkError& error)
{
    std::vector<ErrorBlock> errorBlocks;
    std::vector<OperationErrorBlock> errorBlocksType2;
    {
        std::lock_guard lock(m_lock);
        m_error = error;
        errorBlocks = everyCallers(&Handlers::errorBlocks);
        errorBlocksType2 = everyCallers(&Handlers::errorBlocksType2);
    }
    auto self = selfOperation();
    for (auto& block : errorBlocks)
        block(error);
    for (auto& block : errorBlocksType2)
        block(self, error);
    auto* application = kit::Application::sharedApplication();
    if (application && application->applicationState() == kit::ApplicationState::Background)
        showLocalNotification();
}

void NetworkOperation::showLocalNotification()
{
    std::optional<kit::LocalNotification> notification;
    {
        std::lock_guard lock(m_lock);
        notification = m_localNotification;
        if (!notification && m_shouldShowLocalNotificationOnError) {
            notification.emplace();
            if (m_error)
                notification->setAlertBody(m_error->localizedDescription());
            notification->setAlertAction("Dismiss");
        }
    }
    auto* application = kit::Application::sharedApplication();
    if (notification && application)
        application->presentLocalNotificationNow(*notification);
}

void NetworkOperation::operationNotModified(const net::HTTPURLResponse& response)
{
    std::vector<NotModifiedBlock> notModified;
    std::vector<ErrorBlock> errorBlocks;
    std::vector<OperationErrorBlock> errorBlocksType2;
    auto const error = NetworkError::forStatus(response);
    {
        std::lock_guard lock(m_lock);
        auto take = [&](const Handlers& caller, bool answeredFromCache) {
            if (!caller.notModifiedHandlers.empty()) {
                notModified.insert(
                    notModified.end(), caller.notModifiedHandlers.begin(), caller.notModifiedHandlers.end());
            } else if (!answeredFromCache) {
                // Nobody else would tell this caller that its request is over.
                errorBlocks.insert(errorBlocks.end(), caller.errorBlocks.begin(), caller.errorBlocks.end());
                errorBlocksType2.insert(
                    errorBlocksType2.end(), caller.errorBlocksType2.begin(), caller.errorBlocksType2.end());
            }
        };
        take(m_handlers, m_cachedResponse.has_value());
        for (const auto& joined : m_joinedCallers)
            take(joined.handlers, joined.answeredFromCache);
        if (!errorBlocks.empty() || !errorBlocksType2.empty())
            m_error = error;
    }
    for (auto& handler : notModified)
        handler();
    auto self = selfOperation();
    for (auto& block : errorBlocks)
        block(error);
    for (auto& block : errorBlocksType2)
        block(self, error);
}

// ---- The connection's reports ---------------------------------------------------

std::optional<net::URLRequest> NetworkOperation::connectionWillSendRequest(
    OperationConnection&, const net::URLRequest& request, const net::HTTPURLResponse* redirectResponse)
{
    std::lock_guard lock(m_lock);
    if (redirectResponse) {
        // The redirect's request as the transport's rules make it: another
        // origin gets no caller's fields, credentials or body.
        return request;
    }
    net::URLRequest first = m_request;
    if (m_shouldSendAcceptLanguageHeader)
        first.setValueForHTTPHeaderField(languagesFromLocale(), "Accept-Language");
    else
        first.setValueForHTTPHeaderField(std::nullopt, "Accept-Language");
    if (m_clientCertificate)
        first.setClientCertificate(
            net::ClientCertificate { *m_clientCertificate, m_clientCertificatePassword });
    first.setAllowsInvalidCertificates(m_shouldContinueWithInvalidCertificate);
    if (!m_downloadStreams.empty())
        first.setMaximumResponseBytes(net::URLRequest::noMaximumResponseBytes);
    return first;
}

void NetworkOperation::connectionWillSendRequestForAuthenticationChallenge(
    OperationConnection&, const std::shared_ptr<AuthenticationChallenge>& challenge)
{
    std::optional<AuthenticationChallenge::Credential> credential;
    AuthHandler handler;
    {
        std::lock_guard lock(m_lock);
        // A credential already refused is not offered again: the server's own
        // answer then reaches the handlers.
        if (challenge->previousFailureCount() == 0) {
            bool const ownOrigin = m_origin && challenge->host() == *m_origin;
            if (ownOrigin && m_username && m_password
                && challenge->authenticationMethod() != AuthenticationMethod::Negotiate)
                credential = AuthenticationChallenge::Credential { *m_username, *m_password,
                    m_credentialPersistence };
            else
                handler = m_authHandler;
        }
    }
    if (credential)
        challenge->useCredential(std::move(*credential));
    else if (handler)
        handler(challenge);
    else
        challenge->continueWithoutCredential();
}

void NetworkOperation::connectionDidReceiveResponse(
    OperationConnection&, const net::HTTPURLResponse& response)
{
    std::vector<std::shared_ptr<foundation::OutputStream>> streams;
    {
        std::lock_guard lock(m_lock);
        m_response = response;
        streams = m_downloadStreams;
        if (streams.empty())
            m_mutableData = std::string();
        else
            m_mutableData.reset();
        if (m_request.httpMethod() == "GET" && streams.empty())
            m_cacheHeaders = ResponseCacheHeaders::forResponse(response, foundation::Clock::current()->now());
    }
    for (auto& stream : streams) {
        stream->open();
        if (!stream->hasSpaceAvailable()) {
            downloadStreamFailed(*stream);
            return;
        }
    }
}

void NetworkOperation::connectionDidReceiveData(OperationConnection&, std::string_view bytes)
{
    std::vector<std::shared_ptr<foundation::OutputStream>> streams;
    std::vector<ProgressBlock> progressHandlers;
    double progress = -1;
    {
        std::lock_guard lock(m_lock);
        if (m_downloadedDataSize == 0) {
            auto range = m_request.valueForHTTPHeaderField("Range");
            if (range && range->starts_with("bytes=") && range->ends_with("-")) {
                m_startPosition = foundation::longLongValue(range->substr(6));
                m_downloadedDataSize = static_cast<std::uint64_t>(std::max<std::int64_t>(0, m_startPosition));
            }
        }
        streams = m_downloadStreams;
        if (streams.empty() && m_mutableData)
            m_mutableData->append(bytes);
        m_downloadedDataSize += bytes.size();
        auto const expected = m_response ? m_response->expectedContentLength() : -1;
        if (expected > 0) {
            progress
                = static_cast<double>(m_downloadedDataSize) / static_cast<double>(expected + m_startPosition);
            progressHandlers = everyCallers(&Handlers::downloadProgressChangedHandlers);
        }
    }
    for (auto& stream : streams) {
        if (!stream->hasSpaceAvailable() || stream->write(bytes) < 0) {
            downloadStreamFailed(*stream);
            return;
        }
    }
    for (auto& handler : progressHandlers)
        handler(progress);
}

void NetworkOperation::downloadStreamFailed(const foundation::OutputStream& stream)
{
    std::shared_ptr<OperationConnection> connection;
    {
        std::lock_guard lock(m_lock);
        if (m_isCancelled || m_state == StateFinished)
            return;
        connection = m_connection;
        m_downloadedDataSize = 0;
    }
    // The rest of the body has nowhere to go.
    if (connection)
        connection->cancel();
    setState(StateFinished);
    closeDownloadStreams();
    auto const why = stream.streamError();
    operationFailedWithError(NetworkError::fromURLError(net::URLError(net::URLError::CannotWriteToFile, url(),
        why ? "A download stream could not take the body: " + *why + "."
            : "A download stream could not take the body: it is closed.")));
    endBackgroundTask();
}

void NetworkOperation::connectionDidSendBodyData(
    OperationConnection&, std::int64_t totalBytesWritten, std::int64_t totalBytesExpectedToWrite)
{
    if (totalBytesExpectedToWrite < 1)
        return;
    auto const handlers = everyCallers(&Handlers::uploadProgressChangedHandlers);
    double const progress
        = static_cast<double>(totalBytesWritten) / static_cast<double>(totalBytesExpectedToWrite);
    for (auto& handler : handlers)
        handler(progress);
}

void NetworkOperation::connectionDidFinishLoading(OperationConnection&)
{
    int status;
    std::optional<net::HTTPURLResponse> response;
    {
        std::lock_guard lock(m_lock);
        if (m_isCancelled)
            return;
        response = m_response;
        status = response ? response->statusCode() : 0;
    }
    setState(StateFinished);
    closeDownloadStreams();
    if (status >= 200 && status < 300) {
        {
            std::lock_guard lock(m_lock);
            m_cachedResponse.reset();
        }
        notifyCache();
        operationSucceeded();
    } else if (status == 304) {
        operationNotModified(*response);
    } else if (response) {
        // Every other answer is a failure the caller hears of: a redirect not
        // followed, an interim or unknown status, a client or server error.
        operationFailedWithError(NetworkError::forStatus(*response));
    } else {
        operationFailedWithError(
            NetworkError::fromURLError(net::URLError(net::URLError::BadServerResponse, url())));
    }
    endBackgroundTask();
}

void NetworkOperation::connectionDidFailWithError(OperationConnection&, const net::URLError& error)
{
    {
        std::lock_guard lock(m_lock);
        if (m_isCancelled)
            return;
        m_mutableData.reset();
        m_downloadedDataSize = 0;
    }
    setState(StateFinished);
    closeDownloadStreams();
    operationFailedWithError(NetworkError::fromURLError(error));
    endBackgroundTask();
}
