#include "platform/net/URLCachingTransport.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/net/CacheControl.h"
#include "platform/net/URLCache.h"

#include <atomic>
#include <optional>
#include <string>
#include <utility>

namespace net {

struct URLCachingTransport::Task {
    std::mutex mutex;
    std::atomic<bool> cancelled { false };
    // The request under way underneath, once there is one.
    std::optional<TaskId> inner;
};

struct URLCachingTransport::State {
    std::shared_ptr<Transport> network;
    std::shared_ptr<URLCache> cache;
    std::shared_ptr<foundation::DispatchQueue> queue;
    std::mutex mutex;
    std::map<TaskId, std::shared_ptr<Task>> tasks;
    TaskId nextId { 1 };
};

namespace {

using State = URLCachingTransport::State;
using Task = URLCachingTransport::Task;
using TaskId = Transport::TaskId;

double wallClock()
{
    return foundation::Clock::current()->now();
}

void forget(State& state, TaskId id)
{
    std::lock_guard lock(state.mutex);
    state.tasks.erase(id);
}

// Tells the caller a response it never waits on the network for.
void answer(const Transport::Events& events, const Task& task, const CachedURLResponse& stored)
{
    if (events.didReceiveResponse && !task.cancelled)
        events.didReceiveResponse(stored.response());
    if (!stored.data().empty() && events.didReceiveData && !task.cancelled)
        events.didReceiveData(stored.data());
    if (events.didComplete && !task.cancelled)
        events.didComplete(std::nullopt);
}

// One request on its way to the network, with what the cache needs from its answer.
struct Exchange {
    URLRequest request;
    Transport::Events events;
    bool cacheable { false };
    // What was stored, when the request asks the server whether it still holds.
    std::optional<CachedURLResponse> stored;
    double requestTime { 0 };
    double responseTime { 0 };
    std::optional<HTTPURLResponse> response;
    bool notModified { false };
    bool storing { false };
    std::string body;
};

void fetch(const std::shared_ptr<State>& state, TaskId id, const std::shared_ptr<Task>& task,
    std::shared_ptr<Exchange> exchange, URLRequest sent)
{
    size_t const largestStored = state->cache->largestStoredSize();
    Transport::Events inner;
    inner.didReceiveResponse = [exchange, task](const HTTPURLResponse& response) {
        exchange->responseTime = wallClock();
        exchange->response = response;
        if (exchange->stored && response.statusCode() == 304) {
            exchange->notModified = true;
            return;
        }
        exchange->storing = exchange->cacheable && CachedURLResponse::isStorable(exchange->request, response);
        if (exchange->events.didReceiveResponse && !task->cancelled)
            exchange->events.didReceiveResponse(response);
    };
    inner.didReceiveData = [exchange, task, largestStored](std::string_view bytes) {
        if (exchange->notModified)
            return;
        if (exchange->storing) {
            if (exchange->body.size() + bytes.size() > largestStored) {
                exchange->storing = false;
                std::string().swap(exchange->body);
            } else {
                exchange->body.append(bytes);
            }
        }
        if (exchange->events.didReceiveData && !task->cancelled)
            exchange->events.didReceiveData(bytes);
    };
    inner.didSendBodyData = [exchange, task](int64_t sent, int64_t expected) {
        if (exchange->events.didSendBodyData && !task->cancelled)
            exchange->events.didSendBodyData(sent, expected);
    };
    inner.didComplete = [state, id, task, exchange](const std::optional<URLError>& error) {
        forget(*state, id);
        if (task->cancelled)
            return;
        auto& events = exchange->events;
        if (error || !exchange->response) {
            if (events.didComplete)
                events.didComplete(error);
            return;
        }
        auto const& request = exchange->request;
        if (exchange->notModified) {
            auto confirmed = exchange->stored->revalidated(
                *exchange->response, exchange->requestTime, exchange->responseTime);
            state->cache->updateCachedResponse(confirmed, request);
            answer(events, *task, confirmed);
            return;
        }
        if (exchange->storing) {
            if (!events.willCacheResponse || events.willCacheResponse(*exchange->response)) {
                state->cache->storeCachedResponse(
                    CachedURLResponse::make(request, *exchange->response,
                        std::make_shared<const std::string>(std::move(exchange->body)), exchange->requestTime,
                        exchange->responseTime),
                    request);
            } else {
                state->cache->removeCachedResponseForRequest(request);
            }
        } else if (exchange->cacheable && exchange->response->statusCode() / 100 == 2) {
            // A newer answer that may not be kept makes the kept one wrong.
            state->cache->removeCachedResponseForRequest(request);
        }
        if (events.didComplete && !task->cancelled)
            events.didComplete(std::nullopt);
    };

    exchange->requestTime = wallClock();
    auto const innerId = state->network->start(std::move(sent), std::move(inner));
    std::lock_guard lock(task->mutex);
    task->inner = innerId;
}

// Decides at once, on the caller's thread, so a request that goes to the network is
// under way there by the time start() returns; only an answer from the cache (or
// the lack of one) is told later, from the queue.
void begin(const std::shared_ptr<State>& state, TaskId id, const std::shared_ptr<Task>& task,
    URLRequest request, Transport::Events events)
{
    auto exchange = std::make_shared<Exchange>();
    exchange->cacheable = URLCachingTransport::usesCache(request);
    std::optional<CachedURLResponse> stored;
    if (exchange->cacheable)
        stored = state->cache->cachedResponseForRequest(request);
    auto const policy = request.cachePolicy();
    bool const anyAge = policy == URLRequestCachePolicy::ReturnCacheDataElseLoad
        || policy == URLRequestCachePolicy::ReturnCacheDataDontLoad;
    if (stored
        && (anyAge
            || (stored->isFresh(wallClock())
                && !CacheControl::ofRequest(request.allHTTPHeaderFields()).noCache))) {
        state->queue->async([state, id, task, events = std::move(events), stored = std::move(*stored)] {
            forget(*state, id);
            answer(events, *task, stored);
        });
        return;
    }
    if (exchange->cacheable && policy == URLRequestCachePolicy::ReturnCacheDataDontLoad) {
        state->queue->async([state, id, task, events = std::move(events), url = request.url()] {
            forget(*state, id);
            if (events.didComplete && !task->cancelled)
                events.didComplete(URLError(URLError::ResourceUnavailable, url));
        });
        return;
    }
    URLRequest sent = request;
    if (stored && stored->hasValidator()) {
        sent = stored->conditionalRequest(request);
        exchange->stored = std::move(stored);
    }
    exchange->request = std::move(request);
    exchange->events = std::move(events);
    fetch(state, id, task, std::move(exchange), std::move(sent));
}

} // namespace

URLCachingTransport::URLCachingTransport(std::shared_ptr<Transport> network, std::shared_ptr<URLCache> cache,
    std::shared_ptr<foundation::DispatchQueue> queue)
    : m_state(std::make_shared<State>())
{
    m_state->network = std::move(network);
    m_state->cache = std::move(cache);
    m_state->queue = queue ? std::move(queue) : foundation::DispatchQueue::global();
}

bool URLCachingTransport::usesCache(const URLRequest& request)
{
    if (request.httpMethod() != "GET"
        || request.cachePolicy() == URLRequestCachePolicy::ReloadIgnoringLocalCacheData)
        return false;
    if (request.httpAuthentication())
        return false;
    for (auto const* field : { "Authorization", "Range", "If-None-Match", "If-Modified-Since", "If-Match",
             "If-Unmodified-Since", "If-Range" }) {
        if (request.valueForHTTPHeaderField(field))
            return false;
    }
    return true;
}

std::shared_ptr<Transport> URLCachingTransport::forRequest(
    const URLRequest& request, std::shared_ptr<Transport> network)
{
    if (!usesCache(request))
        return network;
    return std::make_shared<URLCachingTransport>(std::move(network), URLCache::shared());
}

Transport::TaskId URLCachingTransport::start(URLRequest request, Events events)
{
    auto task = std::make_shared<Task>();
    TaskId id;
    {
        std::lock_guard lock(m_state->mutex);
        id = m_state->nextId++;
        m_state->tasks.emplace(id, task);
    }
    begin(m_state, id, task, std::move(request), std::move(events));
    return id;
}

void URLCachingTransport::cancel(TaskId id)
{
    std::shared_ptr<Task> task;
    {
        std::lock_guard lock(m_state->mutex);
        auto it = m_state->tasks.find(id);
        if (it == m_state->tasks.end())
            return;
        task = std::move(it->second);
        m_state->tasks.erase(it);
    }
    std::optional<TaskId> inner;
    {
        std::lock_guard lock(task->mutex);
        task->cancelled = true;
        inner = task->inner;
    }
    if (inner)
        m_state->network->cancel(*inner);
}

} // namespace net
