#include "netengine/OperationConnection.h"

#include "netengine/AuthenticationChallenge.h"
#include "netengine/OperationConnectionDelegate.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/PostBatch.h"
#include "platform/net/HTTPRedirect.h"

#include <functional>
#include <utility>
#include <vector>

namespace {

bool asksForAuthentication(const net::HTTPURLResponse& response)
{
    auto const status = response.statusCode();
    if (status == 401)
        return response.valueForHTTPHeaderField("WWW-Authenticate").has_value();
    if (status == 407)
        return response.valueForHTTPHeaderField("Proxy-Authenticate").has_value();
    return false;
}

unsigned schemesFor(AuthenticationMethod method)
{
    switch (method) {
    case AuthenticationMethod::HTTPBasic:
        return net::HTTPAuthentication::Basic;
    case AuthenticationMethod::HTTPDigest:
        return net::HTTPAuthentication::Digest;
    case AuthenticationMethod::NTLM:
        return net::HTTPAuthentication::NTLM;
    case AuthenticationMethod::Default:
    case AuthenticationMethod::Negotiate:
        break;
    }
    return net::HTTPAuthentication::Basic | net::HTTPAuthentication::Digest;
}

} // namespace

// One request sent through the transport: its answer, and what the connection
// made of it when it arrived.
struct OperationConnection::Hop {
    net::URLRequest request;
    HopMode mode { HopMode::Deliver };
    std::optional<net::HTTPURLResponse> response;
    std::optional<net::URLRequest> redirect;
    // A challenge's own body, kept in case the answer is to let it stand.
    std::string heldBody;
};

std::shared_ptr<OperationConnection> OperationConnection::create(
    net::URLRequest request, std::weak_ptr<OperationConnectionDelegate> delegate)
{
    return std::make_shared<OperationConnection>(Private {}, std::move(request), std::move(delegate));
}

OperationConnection::OperationConnection(
    Private, net::URLRequest request, std::weak_ptr<OperationConnectionDelegate> delegate)
    : m_request(std::move(request))
    , m_delegate(std::move(delegate))
{
}

std::shared_ptr<OperationConnectionDelegate> OperationConnection::liveDelegate() const
{
    if (m_cancelled || m_done)
        return nullptr;
    return m_delegate.lock();
}

void OperationConnection::start()
{
    auto delegate = liveDelegate();
    if (!delegate)
        return;
    auto first = delegate->connectionWillSendRequest(*this, m_request, nullptr);
    if (!first) {
        m_done = true;
        return;
    }
    send(std::move(*first));
}

// The steps the transport reported for one hop and the main thread has not
// yet taken, in order. One drain at a time is on its way to the main queue:
// steps that come meanwhile ride along with it instead of waking the main
// thread again.
struct OperationConnection::Inbox {
    using Step = std::function<void(OperationConnection&)>;

    std::mutex mutex;
    std::vector<Step> steps;
    bool drainQueued { false };

    // True when the caller must queue a drain. A step that need not wake the
    // main thread waits for the next one that does.
    bool push(Step step, bool wakes)
    {
        std::lock_guard lock(mutex);
        steps.push_back(std::move(step));
        return wakes && !std::exchange(drainQueued, true);
    }
    std::vector<Step> take()
    {
        std::lock_guard lock(mutex);
        drainQueued = false;
        return std::exchange(steps, {});
    }
};

void OperationConnection::send(net::URLRequest request)
{
    if (m_cancelled)
        return;
    m_request = request;
    auto hop = std::make_shared<Hop>();
    hop->request = request;
    // Events come on the transport's thread; everything the delegate hears
    // goes through the main queue, in the order the transport reported it.
    std::weak_ptr<OperationConnection> weak = weak_from_this();
    auto inbox = std::make_shared<Inbox>();
    auto onMain = [weak, inbox](Inbox::Step step, bool wakes = true) {
        if (!inbox->push(std::move(step), wakes))
            return;
        foundation::DispatchQueue::main()->async([weak, inbox] {
            for (auto& step : inbox->take()) {
                auto self = weak.lock();
                if (!self || self->m_cancelled || self->m_done)
                    return;
                step(*self);
            }
        });
    };
    net::Transport::Events events;
    events.didReceiveResponse = [onMain, hop](const net::HTTPURLResponse& response) {
        onMain([hop, response](OperationConnection& self) { self.hopResponse(hop, response); });
    };
    events.didReceiveData = [onMain, hop](std::string_view bytes) {
        onMain([hop, bytes = std::string(bytes)](OperationConnection& self) { self.hopData(hop, bytes); });
    };
    // The whole body gone out is no news worth a wake of the main thread on
    // its own: an answer or a failure must follow, and it comes along with that.
    // Partial progress of a long upload still goes at once.
    events.didSendBodyData = [onMain](std::int64_t sent, std::int64_t expected) {
        onMain(
            [sent, expected](OperationConnection& self) {
                if (auto delegate = self.liveDelegate())
                    delegate->connectionDidSendBodyData(self, sent, expected);
            },
            sent < expected);
    };
    events.didComplete = [onMain, hop](const std::optional<net::URLError>& error) {
        onMain([hop, error](OperationConnection& self) { self.hopComplete(hop, error); });
        // A drain the transport's thread still holds back carries this step: it
        // must be queued before the transport counts the request as ended.
        foundation::PostBatch::endCurrent();
    };

    auto transport = net::Transport::current();
    std::lock_guard lock(m_taskMutex);
    m_transport = transport;
    m_task = transport->start(std::move(request), std::move(events));
}

void OperationConnection::hopResponse(const std::shared_ptr<Hop>& hop, const net::HTTPURLResponse& response)
{
    hop->response = response;
    if (asksForAuthentication(response)) {
        hop->mode = HopMode::Challenge;
        return;
    }
    if (net::HTTPRedirect::isRedirectStatus(response.statusCode())) {
        auto step = net::HTTPRedirect::next(hop->request, response);
        if (step.error) {
            fail(*step.error);
            return;
        }
        if (step.next) {
            if (m_redirectsLeft == 0) {
                fail(net::URLError(net::URLError::HTTPTooManyRedirects, hop->request.url()));
                return;
            }
            auto delegate = liveDelegate();
            if (!delegate)
                return;
            auto next = delegate->connectionWillSendRequest(*this, *step.next, &response);
            if (next) {
                --m_redirectsLeft;
                hop->mode = HopMode::Redirect;
                // The redirect's own body is of no interest; the next hop goes at once.
                {
                    std::lock_guard lock(m_taskMutex);
                    if (m_task && m_transport)
                        m_transport->cancel(*m_task);
                    m_task.reset();
                }
                send(std::move(*next));
                return;
            }
        }
    }
    if (auto delegate = liveDelegate())
        delegate->connectionDidReceiveResponse(*this, response);
}

void OperationConnection::hopData(const std::shared_ptr<Hop>& hop, std::string_view bytes)
{
    switch (hop->mode) {
    case HopMode::Challenge:
        hop->heldBody.append(bytes);
        break;
    case HopMode::Deliver:
        if (auto delegate = liveDelegate())
            delegate->connectionDidReceiveData(*this, bytes);
        break;
    case HopMode::Redirect:
        break;
    }
}

void OperationConnection::hopComplete(
    const std::shared_ptr<Hop>& hop, const std::optional<net::URLError>& error)
{
    if (hop->mode == HopMode::Redirect)
        return;
    if (error) {
        fail(*error);
        return;
    }
    if (hop->mode == HopMode::Challenge) {
        presentChallenge(hop);
        return;
    }
    m_done = true;
    if (auto delegate = m_delegate.lock(); delegate && !m_cancelled)
        delegate->connectionDidFinishLoading(*this);
}

void OperationConnection::presentChallenge(const std::shared_ptr<Hop>& hop)
{
    auto delegate = liveDelegate();
    if (!delegate)
        return;
    auto const& response = *hop->response;
    auto const method = AuthenticationChallenge::methodOf(response);
    auto origin = net::HTTPRedirect::origin(hop->request.url());
    std::weak_ptr<OperationConnection> weak = weak_from_this();
    auto challenge = std::make_shared<AuthenticationChallenge>(method, origin.value_or(std::string()),
        AuthenticationChallenge::realmOf(response), m_failedCredentials, response,
        [weak, hop, method](AuthenticationChallenge::Disposition disposition,
            std::optional<AuthenticationChallenge::Credential> credential) {
            std::optional<net::HTTPAuthentication> authentication;
            if (credential)
                authentication
                    = net::HTTPAuthentication { credential->user, credential->password, schemesFor(method) };
            // Answers may come from any thread; the connection moves on on the main one.
            foundation::DispatchQueue::main()->async([weak, hop, disposition, authentication]() {
                auto self = weak.lock();
                if (self && !self->m_cancelled && !self->m_done)
                    self->answerChallenge(hop, static_cast<int>(disposition), authentication);
            });
        });
    delegate->connectionWillSendRequestForAuthenticationChallenge(*this, challenge);
}

void OperationConnection::answerChallenge(
    const std::shared_ptr<Hop>& hop, int disposition, std::optional<net::HTTPAuthentication> credential)
{
    using Disposition = AuthenticationChallenge::Disposition;
    switch (static_cast<Disposition>(disposition)) {
    case Disposition::UseCredential:
        if (credential) {
            ++m_failedCredentials;
            auto request = hop->request;
            request.setHTTPAuthentication(std::move(credential));
            send(std::move(request));
            return;
        }
        [[fallthrough]];
    case Disposition::ContinueWithoutCredential: {
        // The asking answer stands as the response.
        auto delegate = liveDelegate();
        if (!delegate)
            return;
        delegate->connectionDidReceiveResponse(*this, *hop->response);
        if (!hop->heldBody.empty() && liveDelegate())
            delegate->connectionDidReceiveData(*this, hop->heldBody);
        if (!liveDelegate())
            return;
        m_done = true;
        delegate->connectionDidFinishLoading(*this);
        return;
    }
    case Disposition::Cancel:
        fail(net::URLError(
            userCancelledAuthentication, hop->request.url(), "The request was refused its credentials."));
        return;
    }
}

void OperationConnection::fail(const net::URLError& error)
{
    auto delegate = liveDelegate();
    {
        std::lock_guard lock(m_taskMutex);
        if (m_task && m_transport)
            m_transport->cancel(*m_task);
        m_task.reset();
    }
    m_done = true;
    if (delegate)
        delegate->connectionDidFailWithError(*this, error);
}

void OperationConnection::cancel()
{
    if (m_cancelled.exchange(true))
        return;
    std::lock_guard lock(m_taskMutex);
    if (m_task && m_transport)
        m_transport->cancel(*m_task);
    m_task.reset();
}
