#include "platform/net/CurlTransport.h"

#include "platform/foundation/PostBatch.h"
#include "platform/net/HTTPCookieStorage.h"
#include "platform/net/HTTPResponseHead.h"
#include "platform/net/PollWake.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <curl/curl.h>
#include <openssl/pkcs12.h>
#include <openssl/ssl.h>
#include <pthread.h>
#include <string>
#include <utility>

namespace net {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Longest sleep of the I/O thread between looks at its queue and its time-outs.
constexpr int maxPollMilliseconds = 1000;

// Header fields whose values curl works out from the body; a caller's own value
// could contradict the bytes actually sent and corrupt the message framing.
constexpr std::string_view framingFields[] = { "Content-Length", "Transfer-Encoding" };

int urlErrorCode(CURLcode result, long osErrno)
{
    switch (result) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return URLError::UnsupportedURL;
    case CURLE_URL_MALFORMAT:
        return URLError::BadURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return URLError::CannotFindHost;
    case CURLE_COULDNT_CONNECT:
        return osErrno == ENETUNREACH ? URLError::NotConnectedToInternet : URLError::CannotConnectToHost;
    case CURLE_OPERATION_TIMEDOUT:
        return URLError::TimedOut;
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
        return URLError::NetworkConnectionLost;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return URLError::BadServerResponse;
    case CURLE_BAD_CONTENT_ENCODING:
        return URLError::CannotDecodeContentData;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
        return URLError::SecureConnectionFailed;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return URLError::ServerCertificateUntrusted;
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_WRITE_ERROR:
        return URLError::Cancelled;
    default:
        return URLError::Unknown;
    }
}

// Where a TLS context keeps the transfer it was made for. curl makes a context
// per connection, and a connection that carries a client certificate serves
// one transfer only.
int transferIndex()
{
    static int const index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

bool isSetCookieLine(std::string_view line)
{
    constexpr std::string_view name = "set-cookie:";
    return line.size() > name.size() && HTTPHeaders::namesEqual(line.substr(0, name.size()), name);
}

} // namespace

void CurlTransport::initialiseCurl()
{
    // curl_global_init is not safe to race with other curl calls; a function-local
    // static runs it exactly once before any handle exists.
    [[maybe_unused]] static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

struct CurlTransport::Multi {
    CURLM* handle { curl_multi_init() };
    // Owned by the I/O thread only.
    std::map<TaskId, std::unique_ptr<Transfer>> active;
    // How the I/O thread is woken for work handed to it: a pipe of ours polled beside
    // the transfers' sockets, rather than curl_multi_wakeup's socket pair, whose every
    // wake-up is a socket buffer allocated, queued and freed, and takes the sleeper two
    // reads to drain; a request's hand-off pays it on the main thread and the I/O
    // thread alike. Without a pipe (no descriptors left) curl's own is used.
    PollWake wakeUp;
    // How long the I/O thread last waited for its transfers' sockets: a reply that came
    // within the spin before is likely to again.
    SteadyClock::duration lastReplyWait { SteadyClock::duration::max() };
    // A transfer ended since the thread last waited: whoever it answered may well hand
    // over the next request at once.
    bool transferEnded { false };

    Multi() = default;

    ~Multi()
    {
        if (handle)
            curl_multi_cleanup(handle);
    }

    Multi(const Multi&) = delete;
    Multi& operator=(const Multi&) = delete;

    // From any thread, after the work is queued.
    void wake()
    {
        if (wakeUp.descriptor() < 0) {
            if (handle)
                curl_multi_wakeup(handle);
            return;
        }
        wakeUp.wake();
    }

    // On the I/O thread, before it takes its queues: a hand-off queued after this
    // wakes it again.
    void takingQueues() { wakeUp.takingWork(); }

    // On the I/O thread: waits until a transfer's socket or a hand-off needs it, or the
    // time-out passes. Every wait on another processor costs twice on a machine that
    // halts its idle processors (see PollWake), so a wait likely to be short is spun
    // through first: a reply to a request just sent by a server that answered the last
    // one within the spin, and, once the last transfer has ended, the next request
    // from the thread it answered. Either spin is bounded, so the I/O thread of an app
    // that sends nothing is asleep.
    void wait(int timeoutMilliseconds)
    {
        bool const ended = std::exchange(transferEnded, false);
        if (wakeUp.descriptor() < 0) {
            curl_multi_poll(handle, nullptr, 0, timeoutMilliseconds, nullptr);
            return;
        }
        auto const started = SteadyClock::now();
        bool const awaitingReplies = !active.empty();
        if (timeoutMilliseconds > 0) {
            if (awaitingReplies && lastReplyWait <= replySpin && spinForSockets(started))
                return;
            if (!awaitingReplies && ended && wakeUp.spinFor(handOffSpin))
                return;
        }
        curl_waitfd woken { wakeUp.descriptor(), CURL_WAIT_POLLIN, 0 };
        if (wakeUp.prepareToSleep())
            curl_multi_poll(handle, &woken, 1, timeoutMilliseconds, nullptr);
        wakeUp.awake((woken.revents & CURL_WAIT_POLLIN) != 0);
        if (awaitingReplies)
            lastReplyWait = SteadyClock::now() - started;
    }

    // Looks at the transfers' sockets without sleeping until one is ready or a hand-off
    // comes (true), or the spin is over (false).
    bool spinForSockets(SteadyClock::time_point started)
    {
        for (;;) {
            int ready = 0;
            if (curl_multi_wait(handle, nullptr, 0, 0, &ready) != CURLM_OK)
                return false;
            auto const now = SteadyClock::now();
            if (ready > 0 || wakeUp.woken()) {
                lastReplyWait = now - started;
                return true;
            }
            if (now - started >= replySpin)
                return false;
        }
    }

    // A reply from a server on this machine or next to it comes within this; one from
    // farther off is slept for.
    static constexpr SteadyClock::duration replySpin = std::chrono::microseconds(150);
    // Long enough for the thread a completion went to to act on it (a round trip of its
    // own included) and send the next request.
    static constexpr SteadyClock::duration handOffSpin = std::chrono::microseconds(200);
};

struct CurlTransport::Transfer {
    TaskId id { 0 };
    URLRequest request;
    Events events;
    std::shared_ptr<std::atomic<bool>> cancelled;
    // Only for a request that handles cookies; outlives `easy`, which uses its store.
    std::shared_ptr<HTTPCookieStorage> cookies;
    bool cookiesChanged { false };

    CURL* easy { nullptr };
    curl_slist* headerList { nullptr };
    bool added { false };
    double timeout { 0 };
    SteadyClock::time_point lastActivity;
    SteadyClock::time_point deadline;
    curl_off_t lastUploaded { 0 };
    curl_off_t lastDownloaded { 0 };
    char errorBuffer[CURL_ERROR_SIZE] {};
    // Why a callback of ours stopped the transfer, when one did.
    std::optional<int> abortCode;
    std::string abortDescription;
    size_t bodyBytes { 0 };
    // Requests made on a connection for this transfer: curl makes another when an auth
    // challenge asks for it, or when a reused connection died before any answer.
    int attempts { 0 };
    // The last attempt whose answer began (a status line came back for it).
    int answeredAttempt { 0 };

    HTTPResponseHead head;
    bool responseDelivered { false };

    Transfer(TaskId id, URLRequest request, Events events)
        : id(id)
        , request(std::move(request))
        , events(std::move(events))
        , cancelled(std::make_shared<std::atomic<bool>>(false))
        , timeout(Transport::effectiveTimeout(this->request.timeoutInterval()))
        , lastActivity(SteadyClock::now())
        , deadline(lastActivity
              + std::chrono::duration_cast<SteadyClock::duration>(
                  std::chrono::duration<double>(Transport::effectiveDeadline(this->request))))
    {
    }

    ~Transfer()
    {
        if (easy)
            curl_easy_cleanup(easy);
        if (headerList)
            curl_slist_free_all(headerList);
    }

    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    bool isCancelled() const { return cancelled->load(); }
    void touch() { lastActivity = SteadyClock::now(); }
    // Returns what a curl callback returns to stop the transfer.
    size_t abort(int code, std::string description)
    {
        if (!abortCode) {
            abortCode = code;
            abortDescription = std::move(description);
        }
        return 0;
    }
    bool repeatsRequestWithoutAnswer() const;
    // A challenge read while the request carries credentials may be one curl
    // goes on to answer; it is the response only if nothing else follows.
    bool heldForAuthentication() const
    {
        auto const status = head.statusCode();
        return !responseDelivered && request.httpAuthentication()
            && head.state() == HTTPResponseHead::State::Complete && (status == 401 || status == 407);
    }

    std::optional<URLError> configure();
    void deliverResponse();
    // The identity of the request's PKCS#12 file, read when the server asks for it.
    bool loadClientIdentity(X509** certificate, EVP_PKEY** key);

    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onBody(char* data, size_t size, size_t count, void* self);
    static int onProgress(void* self, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded);
    static int onRequestStart(void* self, char*, char*, int, int);
    static CURLcode onTlsContext(CURL*, void* context, void* self);
    static int onCertificateRequest(SSL* ssl, X509** certificate, EVP_PKEY** key);
};

// A request that changes something (a payment) must never go out twice unasked. curl
// sends a request again when the kept-alive connection it went out on died before any
// answer; only GET and HEAD may be repeated so, and another request goes out again only
// after an answer asked for it (an authentication challenge).
bool CurlTransport::Transfer::repeatsRequestWithoutAnswer() const
{
    auto const& method = request.httpMethod();
    return attempts > 1 && answeredAttempt != attempts - 1 && method != "GET" && method != "HEAD";
}

std::optional<URLError> CurlTransport::Transfer::configure()
{
    auto const& url = request.url();
    if (url.empty())
        return URLError(URLError::BadURL, url);
    if (!HTTPHeaders::isToken(request.httpMethod()))
        return URLError(URLError::Unknown, url, "The HTTP method is not a valid token.");

    for (auto const& [name, value] : request.allHTTPHeaderFields().fields()) {
        if (std::any_of(std::begin(framingFields), std::end(framingFields),
                [&fieldName = name](
                    std::string_view field) { return HTTPHeaders::namesEqual(field, fieldName); }))
            continue;
        if (!HTTPHeaders::isToken(name) || !HTTPHeaders::isSafeValue(value))
            return URLError(URLError::Unknown, url, "A header field cannot be sent as written.");
        // "Name:" would tell curl to drop the field; "Name;" sends it empty.
        auto line = value.empty() ? name + ";" : name + ": " + value;
        auto* list = curl_slist_append(headerList, line.c_str());
        if (!list)
            return URLError(URLError::Unknown, url);
        headerList = list;
    }
    // Without this curl holds back a POST body for a second waiting for "100 Continue".
    auto* list = curl_slist_append(headerList, "Expect:");
    if (!list)
        return URLError(URLError::Unknown, url);
    headerList = list;

    easy = curl_easy_init();
    if (!easy)
        return URLError(URLError::Unknown, url);

    auto const timeoutMs = static_cast<long>(std::ceil(timeout * 1000));
    curl_easy_setopt(easy, CURLOPT_PRIVATE, this);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    if (request.allowsCompression())
        curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, acceptedEncodings);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &Transfer::onRequestStart);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
    // A proxy from the environment must never stand between the app and a local server.
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);

    if (request.httpShouldHandleCookies()) {
        cookies = HTTPCookieStorage::shared();
        if (!cookies->attach(easy))
            return URLError(URLError::Unknown, url, "The cookie store could not be attached.");
    }
    if (auto const& authentication = request.httpAuthentication()) {
        long schemes = 0;
        if (authentication->schemes & HTTPAuthentication::Basic)
            schemes |= CURLAUTH_BASIC;
        if (authentication->schemes & HTTPAuthentication::Digest)
            schemes |= CURLAUTH_DIGEST;
        if (authentication->schemes & HTTPAuthentication::NTLM)
            schemes |= CURLAUTH_NTLM;
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, schemes);
        curl_easy_setopt(easy, CURLOPT_USERNAME, authentication->user.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, authentication->password.c_str());
    }
    if (request.clientCertificate() || request.allowsInvalidCertificates()) {
        // A connection opened under another certificate (or none), or one whose
        // server was taken unverified, is not one to send this request on; nor
        // is this one to be lent to a later request.
        curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    }
    if (request.clientCertificate()) {
        // Handed over only when the server asks (curl would read the file for
        // every connection, and fail one to a server that never asks); a
        // resumed session would skip the question.
        curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &Transfer::onTlsContext);
        curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, this);
        curl_easy_setopt(easy, CURLOPT_SSL_SESSIONID_CACHE, 0L);
    }
    if (request.allowsInvalidCertificates()) {
        // curl keeps a connection made without checks apart from checked ones: a
        // later request that checks never rides on it.
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
    }

    auto const& method = request.httpMethod();
    if (method == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else if (method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else {
        // The request keeps the bytes alive until the transfer is cleaned up.
        auto const& body = request.httpBody();
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body ? body->size() : 0));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body ? body->data() : "");
        if (method != "POST")
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
    }
    return std::nullopt;
}

void CurlTransport::Transfer::deliverResponse()
{
    if (responseDelivered)
        return;
    responseDelivered = true;
    if (events.didReceiveResponse && !isCancelled())
        events.didReceiveResponse(HTTPURLResponse(request.url(), head.statusCode(), head.takeHeaders()));
}

size_t CurlTransport::Transfer::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto& transfer = *static_cast<Transfer*>(self);
    if (transfer.isCancelled())
        return 0; // Aborts the transfer; nobody listens any more.
    transfer.touch();
    std::string_view const line(data, size * count);
    if (line.starts_with("HTTP/"))
        transfer.answeredAttempt = transfer.attempts;
    if (transfer.cookies && isSetCookieLine(line))
        transfer.cookiesChanged = true;
    // A challenge curl answered itself is followed by the answer to the request
    // that carried the credentials.
    if (transfer.heldForAuthentication() && line.starts_with("HTTP/"))
        transfer.head.readAnotherBlock();
    bool const wasComplete = transfer.head.state() == HTTPResponseHead::State::Complete;
    switch (transfer.head.addLine(line)) {
    case HTTPResponseHead::State::Refused:
        return transfer.abort(URLError::BadServerResponse, transfer.head.refusal());
    case HTTPResponseHead::State::Complete:
        if (!wasComplete && !transfer.heldForAuthentication())
            transfer.deliverResponse();
        break;
    case HTTPResponseHead::State::Reading:
        break;
    }
    return size * count;
}

size_t CurlTransport::Transfer::onBody(char* data, size_t size, size_t count, void* self)
{
    auto& transfer = *static_cast<Transfer*>(self);
    if (transfer.isCancelled())
        return 0;
    transfer.touch();
    transfer.bodyBytes += size * count;
    if (transfer.bodyBytes > transfer.request.maximumResponseBytes())
        return transfer.abort(URLError::DataLengthExceedsMaximum, {});
    transfer.deliverResponse();
    if (transfer.events.didReceiveData && size * count > 0 && !transfer.isCancelled())
        transfer.events.didReceiveData(std::string_view(data, size * count));
    return size * count;
}

int CurlTransport::Transfer::onProgress(
    void* self, curl_off_t, curl_off_t downloaded, curl_off_t uploadTotal, curl_off_t uploaded)
{
    auto& transfer = *static_cast<Transfer*>(self);
    if (transfer.isCancelled() || transfer.abortCode)
        return 1;
    // Bytes of the request body going out count as activity too: a large upload on a
    // slow link must not time out while it is still moving.
    if (downloaded != transfer.lastDownloaded || uploaded != transfer.lastUploaded) {
        bool const sent = uploaded != transfer.lastUploaded;
        transfer.lastDownloaded = downloaded;
        transfer.lastUploaded = uploaded;
        transfer.touch();
        if (sent && transfer.events.didSendBodyData && !transfer.isCancelled())
            transfer.events.didSendBodyData(uploaded, uploadTotal);
    }
    return 0;
}

CURLcode CurlTransport::Transfer::onTlsContext(CURL*, void* context, void* self)
{
    auto* tls = static_cast<SSL_CTX*>(context);
    if (SSL_CTX_set_ex_data(tls, transferIndex(), self) != 1)
        return CURLE_SSL_CERTPROBLEM;
    SSL_CTX_set_client_cert_cb(tls, &Transfer::onCertificateRequest);
    return CURLE_OK;
}

int CurlTransport::Transfer::onCertificateRequest(SSL* ssl, X509** certificate, EVP_PKEY** key)
{
    auto* transfer = static_cast<Transfer*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), transferIndex()));
    if (!transfer || transfer->isCancelled())
        return 0;
    if (transfer->loadClientIdentity(certificate, key))
        return 1;
    // The handshake goes on without one; whatever the server makes of that,
    // the request fails as a challenge nobody could answer.
    transfer->abort(URLError::UserCancelledAuthentication,
        "The server asked for a client certificate, and the one given could not be read or opened.");
    return 0;
}

bool CurlTransport::Transfer::loadClientIdentity(X509** certificate, EVP_PKEY** key)
{
    auto const& identity = *request.clientCertificate();
    std::FILE* file = std::fopen(identity.path.c_str(), "rb");
    if (!file)
        return false;
    PKCS12* bundle = d2i_PKCS12_fp(file, nullptr);
    std::fclose(file);
    if (!bundle)
        return false;
    STACK_OF(X509)* chain = nullptr;
    bool const opened = PKCS12_parse(bundle, identity.passphrase ? identity.passphrase->c_str() : nullptr,
                            key, certificate, &chain)
        == 1;
    PKCS12_free(bundle);
    // Only the identity's own certificate goes to the server.
    sk_X509_pop_free(chain, X509_free);
    if (opened && *certificate && *key)
        return true;
    X509_free(*certificate);
    EVP_PKEY_free(*key);
    *certificate = nullptr;
    *key = nullptr;
    return false;
}

int CurlTransport::Transfer::onRequestStart(void* self, char*, char*, int, int)
{
    auto& transfer = *static_cast<Transfer*>(self);
    ++transfer.attempts;
    if (transfer.repeatsRequestWithoutAnswer()) {
        transfer.abort(URLError::NetworkConnectionLost,
            "The connection was lost before an answer; the request is not sent again.");
        return CURL_PREREQFUNC_ABORT;
    }
    return CURL_PREREQFUNC_OK;
}

CurlTransport::CurlTransport()
{
    initialiseCurl();
    m_multi = std::make_unique<Multi>();
}

CurlTransport::~CurlTransport()
{
    shutDown();
}

Transport::TaskId CurlTransport::start(URLRequest request, Events events)
{
    TaskId id;
    bool queued = false;
    {
        std::lock_guard lock(m_mutex);
        id = m_nextId++;
        if (!m_stopping && m_multi->handle) {
            auto transfer = std::make_unique<Transfer>(id, std::move(request), std::move(events));
            m_cancelFlags.emplace(id, transfer->cancelled);
            m_incoming.push_back(std::move(transfer));
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
            queued = true;
        }
    }
    // Woken once the lock is let go, so that the I/O thread does not wake only to
    // wait for it.
    if (queued) {
        m_multi->wake();
        return id;
    }
    if (events.didComplete)
        events.didComplete(URLError(URLError::Cancelled, request.url()));
    return id;
}

void CurlTransport::cancel(TaskId task)
{
    {
        std::lock_guard lock(m_mutex);
        auto it = m_cancelFlags.find(task);
        if (it == m_cancelFlags.end())
            return;
        it->second->store(true);
        m_cancelFlags.erase(it);
        m_cancelRequests.push_back(task);
    }
    if (m_multi->handle)
        m_multi->wake();
}

void CurlTransport::shutDown()
{
    std::lock_guard shutDownLock(m_shutDownMutex);
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        if (m_multi->handle)
            m_multi->wake();
    }
    // An event handler shutting its own transport down cannot wait for itself; the
    // loop ends after that handler returns and the destructor joins it.
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void CurlTransport::run()
{
    pthread_setname_np(pthread_self(), "net.io");
    auto& active = m_multi->active;
    for (;;) {
        std::vector<std::unique_ptr<Transfer>> incoming;
        std::vector<TaskId> cancels;
        bool stopping;
        m_multi->takingQueues();
        {
            std::lock_guard lock(m_mutex);
            incoming.swap(m_incoming);
            cancels.swap(m_cancelRequests);
            stopping = m_stopping;
        }
        for (auto& transfer : incoming) {
            if (stopping) {
                finish(*transfer, URLError(URLError::Cancelled, transfer->request.url()));
                continue;
            }
            startTransfer(std::move(transfer));
        }
        for (auto id : cancels) {
            auto it = active.find(id);
            if (it != active.end())
                finish(*it->second, std::nullopt);
        }
        if (stopping)
            break;

        // What one round reads reaches the main thread in one wake-up, with the
        // round's first completion, rather than one wake-up per head and body.
        foundation::PostBatch batch;
        int running = 0;
        curl_multi_perform(m_multi->handle, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi->handle, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            Transfer* transfer = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
            if (!transfer)
                continue;
            auto const result = message->data.result;
            std::optional<URLError> error;
            if (transfer->abortCode) {
                error = URLError(*transfer->abortCode, transfer->request.url(), transfer->abortDescription);
            } else if (result != CURLE_OK) {
                long osErrno = 0;
                curl_easy_getinfo(transfer->easy, CURLINFO_OS_ERRNO, &osErrno);
                std::string description
                    = transfer->errorBuffer[0] ? transfer->errorBuffer : curl_easy_strerror(result);
                error = URLError(
                    urlErrorCode(result, osErrno), transfer->request.url(), std::move(description));
            }
            // The message points into the handle that finish() releases.
            finish(*transfer, std::move(error));
        }
        expireIdleTransfers();
        foundation::PostBatch::endCurrent();
        m_multi->wait(pollTimeoutMilliseconds());
    }
    while (!active.empty())
        finish(*active.begin()->second, URLError(URLError::Cancelled, active.begin()->second->request.url()));
}

void CurlTransport::startTransfer(std::unique_ptr<Transfer> transfer)
{
    if (auto error = transfer->configure()) {
        finish(*transfer, std::move(error));
        return;
    }
    if (curl_multi_add_handle(m_multi->handle, transfer->easy) != CURLM_OK) {
        finish(*transfer, URLError(URLError::Unknown, transfer->request.url()));
        return;
    }
    transfer->added = true;
    auto const id = transfer->id;
    m_multi->active.emplace(id, std::move(transfer));
}

// Ends a transfer, telling its owner unless it was cancelled. A transfer that was
// never made active is owned by the caller; an active one is destroyed here.
void CurlTransport::finish(Transfer& transfer, std::optional<URLError> error)
{
    {
        std::lock_guard lock(m_mutex);
        m_cancelFlags.erase(transfer.id);
    }
    if (transfer.added) {
        curl_multi_remove_handle(m_multi->handle, transfer.easy);
        transfer.added = false;
    }
    if (!error && !transfer.responseDelivered) {
        if (transfer.head.statusCode() >= 200)
            transfer.deliverResponse();
        else
            error = URLError(URLError::BadServerResponse, transfer.request.url());
    }
    m_multi->transferEnded = true;
    auto completion = std::move(transfer.events.didComplete);
    bool const silenced = transfer.isCancelled();
    if (transfer.cookiesChanged)
        transfer.cookies->cookiesChanged();

    std::unique_ptr<Transfer> owned;
    if (auto it = m_multi->active.find(transfer.id);
        it != m_multi->active.end() && it->second.get() == &transfer) {
        owned = std::move(it->second);
        m_multi->active.erase(it);
    }
    // The transfer's other callbacks and curl handle go before the completion runs, which
    // may start new requests on this very thread.
    owned.reset();
    // Once a completion has returned, what it posted is queued, and those who count
    // replies under way rely on that; its first post takes the round's held heads
    // and bodies along, so the main thread wakes once for the whole reply.
    foundation::PostBatch::endWithNextPost();
    if (completion && !silenced)
        completion(error); // May start or cancel other requests.
    foundation::PostBatch::endCurrent();
}

void CurlTransport::expireIdleTransfers()
{
    auto const now = SteadyClock::now();
    std::vector<Transfer*> expired;
    for (auto& [id, transfer] : m_multi->active) {
        std::chrono::duration<double> const idle = now - transfer->lastActivity;
        if (idle.count() >= transfer->timeout || now >= transfer->deadline)
            expired.push_back(transfer.get());
    }
    for (auto* transfer : expired)
        finish(*transfer, URLError(URLError::TimedOut, transfer->request.url()));
}

int CurlTransport::pollTimeoutMilliseconds() const
{
    auto const now = SteadyClock::now();
    double wait = maxPollMilliseconds;
    for (auto& [id, transfer] : m_multi->active) {
        std::chrono::duration<double, std::milli> const idle = now - transfer->lastActivity;
        std::chrono::duration<double, std::milli> const left = transfer->deadline - now;
        wait = std::min({ wait, transfer->timeout * 1000 - idle.count(), left.count() });
    }
    // One millisecond late rather than early: an early wake-up finds nothing expired.
    return std::clamp(static_cast<int>(std::ceil(wait)) + 1, 0, maxPollMilliseconds);
}

} // namespace net
