#pragma once

#include "api/NetUtilSign.h"
#include "cashier/RequestSettledToken.h"
#include "platform/foundation/Json.h"

#include <functional>
#include <memory>
#include <optional>

// How a request that moves money ended, as far as this app can tell. The
// signed client drops a reply block without calling it when it sends
// nothing (no network) and when the reply is lost (a time-out, a dropped
// connection, a server error); only the second may have moved money.
// Captured by the reply block, which calls answered() once the reply reads
// as the server's answer, the outcome reports on the main queue after the
// block's last copy has gone:
//
//     auto outcome = RequestOutcome::create([weak](RequestOutcome::Kind kind) { ... });
//     std::weak_ptr<RequestOutcome> watch = outcome;
//     NetUtilSign::doPost(..., [outcome = std::move(outcome)](const auto& reply) {
//         if (RequestOutcome::readsAsAnswer(JsonUtil::getJSONObject(reply))) outcome->answered(); ... },
//         RequestOutcome::failureWatch(watch));
//     RequestOutcome::sendReturned(watch);
//
// The reply block must hold the only copy.
//
// Main thread only, apart from the last copy going.
class RequestOutcome {
public:
    enum class Kind {
        NotSent, // the client turned it down before sending: nothing moved
        Answered, // the server's answer was read
        Refused, // the server refused the merchant key: it read nothing, so nothing moved
        Lost, // sent, and no answer read: the money may have moved or not
    };

    static std::shared_ptr<RequestOutcome> create(std::function<void(Kind)> onSettled);

    explicit RequestOutcome(std::function<void(Kind)> onSettled);
    RequestOutcome(const RequestOutcome&) = delete;
    RequestOutcome& operator=(const RequestOutcome&) = delete;

    // Whether a parsed reply is the server's answer (an envelope with its
    // status), whatever it says; a reply that does not decrypt or parse
    // leaves the outcome unknown.
    static bool readsAsAnswer(const std::optional<foundation::Json>& reply);

    void answered();
    // The client's failure block for the request: it tells a refused key
    // from a reply that was lost.
    static NetUtilSign::FailureCallback failureWatch(const std::weak_ptr<RequestOutcome>& outcome);
    // Call right after handing the reply block to the client: the client
    // still holds it only when the request went out.
    static void sendReturned(const std::weak_ptr<RequestOutcome>& outcome);

private:
    struct Flags {
        bool sent = false;
        bool answered = false;
        bool refused = false;
    };

    std::shared_ptr<Flags> m_flags;
    // Last, so that the flags are in place when it reports.
    std::shared_ptr<RequestSettledToken> m_settled;
};
