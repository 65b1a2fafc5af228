#pragma once

#include "api/NetUtilSign.h"
#include "platform/foundation/Json.h"

#include <memory>
#include <optional>
#include <string>

class BaseEntity;

// One member sale (a purchase or a recharge) between its first confirm and
// its settlement, kept so that the member is never charged twice.
//
// A request whose outcome is unknown (its reply lost: a time-out, a dropped
// connection, a reply that does not read) may have been settled. Until the
// server answers it, the sale is held to that request: a confirm sends it
// again unchanged (same "reverseid", which the server settles once), and the
// form may not show or send anything else. Only a definite answer releases
// it; after a refusal the next confirm is a new request with a new number.
//
// A mobile part the customer has paid belongs to the sale until the sale
// settles: every later request carries its order, wallet and the amount it
// was paid for, so the money is neither collected again nor sent with an
// amount the order does not match.
//
//     auto request = attempt.requestFor(freshFromTheForm);
//     if (MemberPaymentAttempt::needsMobilePayment(*request)) { /* to the pay-way screen */ }
//     attempt.willSend(request, way);   // then, on the reply:
//     attempt.answered(MemberPaymentAttempt::answerOf(reply));
class MemberPaymentAttempt {
public:
    enum class Answer {
        Settled, // the payment went through
        Refused, // the server turned it down: nothing was charged
        Unknown, // no reply that says either
    };

    // A mobile part paid on the pay-way screen, as the request carried it.
    struct PaidMobilePart {
        std::string orderId;
        std::optional<std::string> wallet; // QR payments name theirs
        std::string money; // "m_money" of the request: what the order was paid for
    };

    // What a purchase or recharge reply says about the request it answers.
    // A refusal needs an envelope with its status; a success needs the
    // settlement in "data" (whose own "status" 1 is a payment made, anything
    // else a failed one).
    static Answer answerOf(const std::optional<foundation::Json>& reply);

    // A mobile part is still to be collected: the request has one and no
    // paid order for it.
    static bool needsMobilePayment(const NetUtilSign::Parameters& request);
    // The amount a request sends under `key` ("bymoney", "m_money", ...); 0 when absent.
    static double amountOf(const NetUtilSign::Parameters& request, const char* key);

    // The request a confirm sends: the held one, unchanged, while there is
    // one; otherwise `fresh`, with the paid mobile part bound into it.
    std::shared_ptr<NetUtilSign::Parameters> requestFor(std::shared_ptr<NetUtilSign::Parameters> fresh) const;

    // The request goes to the server now: the sale is held to it until an
    // answer comes. `choice` is what the form chose beside the amounts (the
    // discount way, the recharge rule), for a screen that shows the held
    // request again. A paid mobile order in the request is kept.
    void willSend(const std::shared_ptr<NetUtilSign::Parameters>& request,
        std::shared_ptr<BaseEntity> choice = nullptr);
    // The server's answer to the request sent last.
    void answered(Answer answer);
    // A mobile part paid while no request of the sale went with it (the
    // customer paid as the staff left the pay-way screen): `paidRequest`,
    // with its order, binds to the sale as its paid part. False when a
    // request is held or another order is already bound.
    bool takePaidMobilePart(const NetUtilSign::Parameters& paidRequest);

    // A request was sent and has no definite answer yet.
    bool isHeld() const { return m_held != nullptr; }
    const std::shared_ptr<NetUtilSign::Parameters>& held() const { return m_held; }
    const std::shared_ptr<BaseEntity>& heldChoice() const { return m_heldChoice; }
    const std::optional<PaidMobilePart>& paidMobilePart() const { return m_paid; }
    // The staff gave the sale up, told that its paid order is no longer part
    // of it. Nothing is released while a request is held.
    void dropPaidMobilePart();
    // Nothing to keep: no held request, no paid part.
    bool isIdle() const { return !m_held && !m_paid; }

private:
    std::shared_ptr<NetUtilSign::Parameters> m_held;
    std::shared_ptr<BaseEntity> m_heldChoice;
    std::optional<PaidMobilePart> m_paid;
};
