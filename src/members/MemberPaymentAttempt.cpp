#include "members/MemberPaymentAttempt.h"

#include "api/JsonUtil.h"
#include "platform/foundation/Strings.h"

namespace {

constexpr const char* orderIdKey = "m_orderid";
constexpr const char* walletKey = "m_paytype";
constexpr const char* mobileKey = "m_money";

std::optional<std::string> valueOf(const NetUtilSign::Parameters& request, const char* key)
{
    auto found = request.find(key);
    return found != request.end() ? std::optional<std::string>(found->second) : std::nullopt;
}

} // namespace

MemberPaymentAttempt::Answer MemberPaymentAttempt::answerOf(const std::optional<foundation::Json>& reply)
{
    if (!reply || !reply->is_object() || !reply->contains("status"))
        return Answer::Unknown;
    if (!JsonUtil::isSuccess(reply)) {
        // A numeric 1 is no success to the screen, yet may be one to the server.
        const auto& status = foundation::valueForKey(reply, "status");
        return status.is_number() && status == 1 ? Answer::Unknown : Answer::Refused;
    }
    const auto& data = JsonUtil::data(reply);
    if (!data.is_object() || data.empty())
        return Answer::Unknown;
    return foundation::intValue(foundation::valueForKey(data, "status")) == 1 ? Answer::Settled
                                                                              : Answer::Refused;
}

bool MemberPaymentAttempt::needsMobilePayment(const NetUtilSign::Parameters& request)
{
    return request.count(mobileKey) > 0 && request.count(orderIdKey) == 0;
}

bool MemberPaymentAttempt::samePayment(const NetUtilSign::Parameters& a, const NetUtilSign::Parameters& b)
{
    for (const char* key : { "memberid", "totalprice", "cardid", "couponid", "ruleid" }) {
        if (valueOf(a, key) != valueOf(b, key))
            return false;
    }
    return true;
}

std::shared_ptr<NetUtilSign::Parameters> MemberPaymentAttempt::requestFor(
    std::shared_ptr<NetUtilSign::Parameters> fresh)
{
    if (!fresh)
        return fresh;
    if (m_unanswered && samePayment(*m_unanswered, *fresh))
        return m_unanswered;
    // Another payment now: its own number, whatever became of the last one.
    m_unanswered = nullptr;
    if (m_paidOrderId && fresh->count(mobileKey) > 0) {
        (*fresh)[orderIdKey] = *m_paidOrderId;
        if (m_paidWallet)
            (*fresh)[walletKey] = *m_paidWallet;
    }
    return fresh;
}

void MemberPaymentAttempt::willSend(const std::shared_ptr<NetUtilSign::Parameters>& request)
{
    m_unanswered = request;
    if (!request)
        return;
    if (auto order = valueOf(*request, orderIdKey)) {
        m_paidOrderId = order;
        m_paidWallet = valueOf(*request, walletKey);
    }
}

void MemberPaymentAttempt::answered(Answer answer)
{
    switch (answer) {
    case Answer::Settled:
        m_unanswered = nullptr;
        m_paidOrderId.reset();
        m_paidWallet.reset();
        break;
    case Answer::Refused:
        // Nothing was charged for this number; the mobile money stays paid.
        m_unanswered = nullptr;
        break;
    case Answer::Unknown:
        break;
    }
}
