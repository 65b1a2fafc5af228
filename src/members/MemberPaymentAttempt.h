#pragma once

#include "api/NetUtilSign.h"
#include "platform/foundation/Json.h"

#include <memory>
#include <optional>
#include <string>

// What a member payment screen (purchase or recharge) remembers between
// confirms so that a member is never charged twice. A request whose reply
// was lost (a time-out, a dropped connection, a reply that does not read)
// may have been settled: until the server answers it, a confirm sends that
// very request again, and the server settles a repeated "reverseid" once. A
// mobile part the customer has paid stays with the payment until it
// settles, so a retry after a refusal carries the paid order instead of
// collecting the money again.
//
//     auto request = m_attempt.requestFor(VipConsumeRequest::build(...));
//     if (MemberPaymentAttempt::needsMobilePayment(*request)) { /* to the pay-way screen */ }
//     m_attempt.willSend(request);   // then, on the reply:
//     m_attempt.answered(MemberPaymentAttempt::answerOf(reply));
class MemberPaymentAttempt {
public:
    enum class Answer {
        Settled, // the payment went through
        Refused, // the server turned it down: nothing was charged
        Unknown, // no reply that says either
    };

    // What a purchase or recharge reply says about the request it answers.
    // A refusal needs an envelope with its status; a success needs the
    // settlement in "data" (whose own "status" 1 is a payment made, anything
    // else a failed one).
    static Answer answerOf(const std::optional<foundation::Json>& reply);

    // A mobile part is still to be collected: the request has one and no
    // paid order for it.
    static bool needsMobilePayment(const NetUtilSign::Parameters& request);

    // The request a confirm sends. The one sent before, while its answer is
    // unknown and it is the same payment (member, total, discount way or
    // recharge rule);
    // otherwise `fresh`, with a paid mobile part put in when `fresh` has one.
    std::shared_ptr<NetUtilSign::Parameters> requestFor(std::shared_ptr<NetUtilSign::Parameters> fresh);

    // The request goes to the server now; a paid mobile order in it is kept.
    void willSend(const std::shared_ptr<NetUtilSign::Parameters>& request);
    // The server's answer to the request sent last.
    void answered(Answer answer);

    // The request sent and not answered yet, or null.
    const std::shared_ptr<NetUtilSign::Parameters>& unanswered() const { return m_unanswered; }
    bool hasPaidMobilePart() const { return m_paidOrderId.has_value(); }

private:
    static bool samePayment(const NetUtilSign::Parameters& a, const NetUtilSign::Parameters& b);

    std::shared_ptr<NetUtilSign::Parameters> m_unanswered;
    std::optional<std::string> m_paidOrderId;
    std::optional<std::string> m_paidWallet;
};
