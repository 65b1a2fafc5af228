#pragma once

#include "platform/net/Transport.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace net {

// The real network: one I/O thread drives every request of this transport at once
// over libcurl, and reports events on that thread.
//
// Requests are sent as the phone's URL loading sends them: redirects are handed
// back rather than followed, cookies are sent and kept only for a request that
// handles them (through the shared HTTPCookieStorage), gzip and deflate bodies are asked
// for (unless the request declines) and decoded, a POST never waits for
// "100 Continue", and only http and https are spoken.
//
// Connections are kept alive and reused per host through the one multi handle.
// A request other than GET and HEAD whose reused connection dies before any answer
// fails with NetworkConnectionLost: it may have been acted on, so it is never sent
// again silently.
//
// Two clocks end a request with TimedOut: its time-out, as inactivity (no byte moving
// either way, connecting included), so a server that answers slowly but steadily is
// not cut off while one that stays silent is; and its deadline for the whole exchange
// (URLRequest::deadlineInterval), so a server dripping a byte now and then is.
//
// A client certificate's PKCS#12 file is read only when a TLS server asks for one
// (URLRequest's ClientCertificate says what happens when it cannot be read).
//
// A reply body larger than the request's maximumResponseBytes (counted after
// decoding) aborts the transfer with DataLengthExceedsMaximum; a response with over
// 100 header fields in a block or 64 KiB of header lines in all fails with
// BadServerResponse.
class CurlTransport final : public Transport {
public:
    CurlTransport();
    // Shuts down first; so it must not be destroyed from inside one of its own events.
    ~CurlTransport() override;
    CurlTransport(const CurlTransport&) = delete;
    CurlTransport& operator=(const CurlTransport&) = delete;

    TaskId start(URLRequest request, Events events) override;
    void cancel(TaskId task) override;

    // libcurl's process-wide set-up, done once before any handle is made.
    static void initialiseCurl();

    // Joins the I/O thread. Requests still under way complete with Cancelled; requests
    // started later complete with Cancelled at once, inside start() (only ever at exit).
    void shutDown();

private:
    struct Transfer;
    struct Multi;

    void run();
    void startTransfer(std::unique_ptr<Transfer> transfer);
    void finish(Transfer& transfer, std::optional<URLError> error);
    void expireIdleTransfers();
    int pollTimeoutMilliseconds() const;

    std::unique_ptr<Multi> m_multi;

    std::mutex m_mutex;
    std::vector<std::unique_ptr<Transfer>> m_incoming;
    std::vector<TaskId> m_cancelRequests;
    // Every request not yet completed, so cancel() can silence it at once.
    std::map<TaskId, std::shared_ptr<std::atomic<bool>>> m_cancelFlags;
    TaskId m_nextId { 1 };
    bool m_stopping { false };
    std::thread m_thread;

    std::mutex m_shutDownMutex;
};

} // namespace net
