#pragma once

#include "platform/net/Transport.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

// Sits in front of the process's transport: counts the requests under way,
// so a script can wait until the app has heard back, and, when asked, reports
// each request sent with its parameters in clear (never the merchant keys,
// which travel in a header).
class TracingTransport final : public net::Transport {
public:
    using TraceSink = std::function<void(const std::string& line)>;

    // `trace` may be empty: then only the counting is done.
    TracingTransport(std::shared_ptr<net::Transport> inner, TraceSink trace);

    TaskId start(net::URLRequest request, Events events) override;
    void cancel(TaskId task) override;

    int inFlight() const { return m_state->inFlight.load(); }

    // "request PATH" and the form text as the app wrote it before it was
    // encrypted; a body that does not decrypt under the stored key of its
    // pair, or that is sent without a key and is not plain form text, is
    // left out rather than shown as cipher text.
    static std::string traceLine(const net::URLRequest& request);

private:
    struct State {
        std::atomic<int> inFlight { 0 };
        std::mutex mutex;
        // Per request under way: set once it has been counted as done, by
        // its completion or by a cancel (after which it never completes).
        std::map<TaskId, std::shared_ptr<std::atomic<bool>>> done;
    };
    static void finish(State& state, TaskId task, std::atomic<bool>& done);

    std::shared_ptr<net::Transport> m_inner;
    TraceSink m_trace;
    // Shared with the completion events, which may run after this is gone.
    std::shared_ptr<State> m_state = std::make_shared<State>();
};
