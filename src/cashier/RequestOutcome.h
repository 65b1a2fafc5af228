#pragma once

#include "api/NetUtilSign.h"
#include "cashier/RequestSettledToken.h"
#include "platform/foundation/Json.h"
#include "till/TillLedger.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// How a request that moves money ended, as far as this app can tell. The
// signed client drops a reply block without calling it when it sends
// nothing (no network) and when the reply is lost (a time-out, a dropped
// connection, a server error); only the second may have moved money, and
// the client then says nothing of it: the screen shows the outcome as
// unknown. post() sends such a request and reports on the main queue once
// the reply block's last copy has gone; tell() puts that into the till's
// ledger:
//
//     auto id = Till::ledger().sent(request);
//     RequestOutcome::post(path, text, parameters, NetUtilSign::receivableKeyFlag,
//         [weak, token](const std::optional<foundation::Json>& reply) {
//             if (!RequestOutcome::readsAsAnswer(reply)) return false;
//             ...; return true; },
//         [weak, id](RequestOutcome::Kind kind) { RequestOutcome::tell(Till::ledger(), id, kind); ... });
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
    // Hears a reply that reached the client's callback, parsed (nothing when
    // it does not decrypt or parse), and says whether it was the server's answer.
    using ReplyCallback = std::function<bool(const std::optional<foundation::Json>& reply)>;

    // Sends the request with the overlay (no label for an absent text) under
    // the key of `keyFlag`. `onSettled` runs once, after `onReply` has run
    // for the last time.
    static void post(std::string_view path, const std::optional<std::string>& progressText,
        const NetUtilSign::Parameters& parameters, int keyFlag, ReplyCallback onReply,
        std::function<void(Kind)> onSettled);
    // The ledger's request `id` ended so.
    static void tell(TillLedger& ledger, TillLedger::Id id, Kind kind);

    explicit RequestOutcome(std::function<void(Kind)> onSettled);
    RequestOutcome(const RequestOutcome&) = delete;
    RequestOutcome& operator=(const RequestOutcome&) = delete;

    // Whether a parsed reply is the server's answer (an envelope with its
    // status), whatever it says; a reply that does not decrypt or parse
    // leaves the outcome unknown.
    static bool readsAsAnswer(const std::optional<foundation::Json>& reply);

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
