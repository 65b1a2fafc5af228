#include "platform/net/FakeTransport.h"

#include "platform/foundation/Timer.h"

#include <algorithm>

namespace net {

FakeTransport::Reply FakeTransport::Reply::status(int statusCode, std::string body)
{
    Reply reply;
    reply.statusCode = statusCode;
    reply.body = std::move(body);
    return reply;
}

FakeTransport::Reply FakeTransport::Reply::failure(int errorCode)
{
    Reply reply;
    reply.errorCode = errorCode;
    return reply;
}

FakeTransport::Reply FakeTransport::Reply::silence()
{
    Reply reply;
    reply.neverAnswers = true;
    return reply;
}

std::string FakeTransport::pathOf(std::string_view url)
{
    auto const scheme = url.find("://");
    if (scheme != std::string_view::npos) {
        url.remove_prefix(scheme + 3);
        auto const slash = url.find_first_of("/?#");
        url.remove_prefix(slash == std::string_view::npos ? url.size() : slash);
    }
    url = url.substr(0, url.find_first_of("?#"));
    return url.empty() ? "/" : std::string(url);
}

void FakeTransport::addReply(std::string urlOrPath, Reply reply)
{
    std::lock_guard lock(m_mutex);
    m_script[std::move(urlOrPath)].push_back(std::move(reply));
}

void FakeTransport::clearReplies()
{
    std::lock_guard lock(m_mutex);
    m_script.clear();
}

void FakeTransport::setHandler(Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

std::vector<URLRequest> FakeTransport::sentRequests() const
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

void FakeTransport::clearSentRequests()
{
    std::lock_guard lock(m_mutex);
    m_sent.clear();
}

size_t FakeTransport::pendingCount() const
{
    std::lock_guard lock(m_mutex);
    return m_pending.size();
}

FakeTransport::Reply FakeTransport::replyFor(const URLRequest& request)
{
    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        for (auto const& key : { request.url(), pathOf(request.url()) }) {
            auto it = m_script.find(key);
            if (it == m_script.end() || it->second.empty())
                continue;
            Reply reply = it->second.front();
            if (it->second.size() > 1)
                it->second.pop_front();
            return reply;
        }
        handler = m_handler;
    }
    // Outside the lock: a handler may well look at the record of requests.
    if (handler)
        return handler(request);
    return Reply::failure(URLError::CannotConnectToHost);
}

Transport::TaskId FakeTransport::start(URLRequest request, Events events)
{
    TaskId id;
    {
        std::lock_guard lock(m_mutex);
        id = m_nextId++;
        m_sent.push_back(request);
    }
    Reply const reply = replyFor(request);
    double const timeout = effectiveTimeout(request.timeoutInterval());
    bool const timesOut = reply.neverAnswers || reply.delay >= timeout;
    double const delay = timesOut ? timeout : std::max(reply.delay, 0.0);

    std::lock_guard lock(m_mutex);
    auto& pending = m_pending[id];
    pending.events = std::move(events);
    // Even an immediate answer comes on a later turn of the loop, never inside start().
    pending.timer = foundation::Timer::scheduledWeak(delay, false, weak_from_this(),
        [id, url = request.url(), reply, timesOut, limit = request.maximumResponseBytes()](
            FakeTransport& self) { self.deliver(id, url, reply, timesOut, limit); });
    return id;
}

void FakeTransport::cancel(TaskId task)
{
    std::shared_ptr<foundation::Timer> timer;
    Events events;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_pending.find(task);
        if (it == m_pending.end())
            return;
        it->second.cancelled->store(true);
        timer = std::move(it->second.timer);
        events = std::move(it->second.events);
        m_pending.erase(it);
    }
    if (timer)
        timer->invalidate();
}

FakeTransport::~FakeTransport()
{
    for (auto& [id, pending] : m_pending) {
        if (pending.timer)
            pending.timer->invalidate();
    }
}

void FakeTransport::deliver(
    TaskId task, const std::string& url, const Reply& reply, bool timedOut, size_t responseLimit)
{
    Events events;
    std::shared_ptr<std::atomic<bool>> cancelled;
    {
        // The entry stays until the last event, so that cancel() can still silence the rest.
        std::lock_guard lock(m_mutex);
        auto it = m_pending.find(task);
        if (it == m_pending.end())
            return;
        events = std::move(it->second.events);
        it->second.timer = nullptr;
        cancelled = it->second.cancelled;
    }
    std::optional<URLError> error;
    if (timedOut)
        error = URLError(URLError::TimedOut, url);
    else if (reply.errorCode)
        error = URLError(*reply.errorCode, url);
    else if (reply.body.size() > responseLimit)
        error = URLError(URLError::DataLengthExceedsMaximum, url);
    if (!error) {
        if (events.didReceiveResponse && !*cancelled)
            events.didReceiveResponse(HTTPURLResponse(url, reply.statusCode, reply.headers));
        if (events.didReceiveData && !reply.body.empty() && !*cancelled)
            events.didReceiveData(reply.body);
    }
    {
        std::lock_guard lock(m_mutex);
        m_pending.erase(task);
    }
    if (events.didComplete && !*cancelled)
        events.didComplete(error);
}

} // namespace net
