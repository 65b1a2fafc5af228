#include "main/TracingTransport.h"

#include "api/Constants.h"
#include "api/DesCipher.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/FakeTransport.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

// Cipher text is Base64, whose only '=' pad its end; form text is name=value
// pairs joined by '&'. Text that could be either is taken for cipher text.
bool isPlainFormText(std::string_view body)
{
    constexpr std::string_view base64Letters
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    auto unpadded = body.substr(0, body.find_last_not_of('=') + 1);
    if (body.size() % 4 == 0 && body.size() - unpadded.size() <= 2
        && unpadded.find_first_not_of(base64Letters) == std::string_view::npos)
        return false;
    constexpr std::string_view nameLetters
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_.-";
    while (!body.empty()) {
        auto pair = body.substr(0, body.find('&'));
        auto equals = pair.find('=');
        if (equals == 0 || equals == std::string_view::npos
            || pair.substr(0, equals).find_first_not_of(nameLetters) != std::string_view::npos)
            return false;
        body.remove_prefix(std::min(body.size(), pair.size() + 1));
    }
    return true;
}

// The agent's form carries the collection key as its "key" field; a
// transcript is no place for it.
std::string withMerchantKeyHidden(std::string_view form)
{
    std::string shown;
    for (const auto& pair : foundation::split(form, "&")) {
        if (!shown.empty())
            shown += '&';
        shown += pair.starts_with("key=") ? std::string("key=***") : pair;
    }
    return shown;
}

} // namespace

TracingTransport::TracingTransport(std::shared_ptr<net::Transport> inner, TraceSink trace)
    : m_inner(std::move(inner))
    , m_trace(std::move(trace))
{
}

net::Transport::TaskId TracingTransport::start(net::URLRequest request, Events events)
{
    if (m_trace)
        m_trace(traceLine(request));
    auto state = m_state;
    auto done = std::make_shared<std::atomic<bool>>(false);
    // The id is only known once the inner transport has it, and a transport
    // shutting down completes inside start: the flag, not the id, decides
    // whether the request is still counted.
    auto id = std::make_shared<std::atomic<TaskId>>(0);
    state->inFlight.fetch_add(1);
    auto complete = std::move(events.didComplete);
    events.didComplete = [state, done, id, complete](const std::optional<net::URLError>& error) {
        if (complete)
            complete(error);
        // After the inner handler has queued the reply for the main thread,
        // so a wait that sees zero also finds the reply waiting.
        finish(*state, id->load(), *done);
    };
    // Not under the lock: a transport shutting down completes inside start.
    TaskId task = m_inner->start(std::move(request), std::move(events));
    id->store(task);
    std::lock_guard lock(state->mutex);
    if (!done->load())
        state->done[task] = done;
    return task;
}

void TracingTransport::finish(State& state, TaskId task, std::atomic<bool>& done)
{
    if (done.exchange(true))
        return;
    state.inFlight.fetch_sub(1);
    {
        std::lock_guard lock(state.mutex);
        state.done.erase(task);
    }
    foundation::RunLoop::main().wakeUp();
}

void TracingTransport::cancel(TaskId task)
{
    m_inner->cancel(task);
    // A cancelled request never completes: it is done now.
    std::shared_ptr<std::atomic<bool>> done;
    {
        std::lock_guard lock(m_state->mutex);
        auto found = m_state->done.find(task);
        if (found == m_state->done.end())
            return;
        done = found->second;
    }
    finish(*m_state, task, *done);
}

std::string TracingTransport::traceLine(const net::URLRequest& request)
{
    std::string line = "request " + net::FakeTransport::pathOf(request.url());
    const auto& body = request.httpBody();
    if (!body || body->empty())
        return line;

    auto qvkey = request.valueForHTTPHeaderField("qvkey");
    if (!qvkey) {
        // Only the agent's plain POST goes without a key; a signed request
        // made while none is stored still carries cipher text.
        return isPlainFormText(*body) ? line + " " + withMerchantKeyHidden(*body) : line;
    }

    auto& defaults = foundation::UserDefaults::standard();
    std::optional<std::string> encryptKey;
    if (qvkey == defaults.stringForKey(KEY_RECEIVABLE))
        encryptKey = defaults.stringForKey(KEY_RECEIVABLE_ENCRYPT);
    else if (qvkey == defaults.stringForKey(KEY_MEMBER))
        encryptKey = defaults.stringForKey(KEY_MEMBER_ENCRYPT);
    auto cipherText = foundation::percentUnescape(*body);
    auto plain = cipherText && encryptKey ? DesCipher::decode(*cipherText, encryptKey) : std::nullopt;
    if (!plain || plain->empty())
        return line;
    return line + " " + *plain;
}
