#include "members/MemberPaymentAttempt.h"

#include "api/JsonUtil.h"
#include "cashier/RequestOutcome.h"
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
    if (!RequestOutcome::readsAsAnswer(reply))
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

double MemberPaymentAttempt::amountOf(const NetUtilSign::Parameters& request, const char* key)
{
    auto value = valueOf(request, key);
    return value ? foundation::doubleValue(*value) : 0;
}

std::shared_ptr<NetUtilSign::Parameters> MemberPaymentAttempt::requestFor(
    std::shared_ptr<NetUtilSign::Parameters> fresh) const
{
    if (m_held)
        return m_held;
    if (fresh && m_paid) {
        // The form cannot change a paid part; the request says the same.
        (*fresh)[mobileKey] = m_paid->money;
        (*fresh)[orderIdKey] = m_paid->orderId;
        if (m_paid->wallet)
            (*fresh)[walletKey] = *m_paid->wallet;
    }
    return fresh;
}

void MemberPaymentAttempt::willSend(
    const std::shared_ptr<NetUtilSign::Parameters>& request, std::shared_ptr<BaseEntity> choice)
{
    if (!request)
        return;
    m_held = request;
    m_heldChoice = std::move(choice);
    auto order = valueOf(*request, orderIdKey);
    auto money = valueOf(*request, mobileKey);
    if (order && money)
        m_paid = PaidMobilePart { *order, valueOf(*request, walletKey), *money };
}

void MemberPaymentAttempt::answered(Answer answer)
{
    switch (answer) {
    case Answer::Settled:
        m_held = nullptr;
        m_heldChoice = nullptr;
        m_paid.reset();
        break;
    case Answer::Refused:
        // Nothing was charged for this number; the mobile money stays paid.
        m_held = nullptr;
        m_heldChoice = nullptr;
        break;
    case Answer::Unknown:
        break;
    }
}

bool MemberPaymentAttempt::takePaidMobilePart(const NetUtilSign::Parameters& paidRequest)
{
    auto order = valueOf(paidRequest, orderIdKey);
    auto money = valueOf(paidRequest, mobileKey);
    if (!order || !money || m_held)
        return false;
    if (m_paid)
        return m_paid->orderId == *order;
    m_paid = PaidMobilePart { *order, valueOf(paidRequest, walletKey), *money };
    return true;
}

void MemberPaymentAttempt::dropPaidMobilePart()
{
    if (!m_held)
        m_paid.reset();
}
