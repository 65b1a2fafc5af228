#include "members/VipConsumeRequest.h"

#include "api/DesCipher.h"
#include "members/VipConsumePricing.h"
#include "model/PreferentialWayEntity.h"
#include "model/VipDetailEntity.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Strings.h"

#include <cmath>

NetUtilSign::Parameters VipConsumeRequest::build(
    const VipDetailEntity& member, const PreferentialWayEntity& way, const Input& input)
{
    NetUtilSign::Parameters request;
    request["memberid"] = member.id().value_or("");
    request["mark"] = escapeFreeText(input.mark);
    request["reverseid"] = std::to_string(input.reverseid);
    request["totalprice"] = foundation::formatFixed(input.totalMoney, 2);
    if (VipConsumePricing::isCardDiscount(way))
        request["cardid"] = member.cardid().value_or("");
    else
        request["couponid"] = way.id().value_or("");
    request["actualprice"] = foundation::formatFixed(input.actualprice, 2);
    if (input.cash > 0)
        request["bycash"] = foundation::formatFixed(input.cash, 2);
    if (input.balance > 0)
        request["bymoney"] = foundation::formatFixed(input.balance, 2);
    if (input.mobile > 0)
        request["m_money"] = foundation::formatFixed(input.mobile, 2);
    return request;
}

std::uint64_t VipConsumeRequest::newReverseId()
{
    double seconds = foundation::Clock::current()->now();
    return static_cast<std::uint64_t>(std::floor(seconds * 1000));
}

std::string VipConsumeRequest::escapeFreeText(const std::string& text)
{
    return DesCipher::urlEncode(text);
}
