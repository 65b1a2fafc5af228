#pragma once

#include "server/Envelope.h"
#include "server/HandlerContext.h"

namespace merchant {

// Members: lists, details, prices under the card discount or a coupon,
// purchases and recharges (which may consume one paid collection order),
// points and the payment password.
class MemberApiHandlers {
public:
    static Json getMemberList(HandlerContext& context, const FormParams& params);
    static Json getCardList(HandlerContext& context, const FormParams& params);
    static Json getUserInfo(HandlerContext& context, const FormParams& params);
    static Json getCoupon(HandlerContext& context, const FormParams& params);
    static Json memcOrder(HandlerContext& context, const FormParams& params);
    static Json calcOrder(HandlerContext& context, const FormParams& params);
    static Json payOrder(HandlerContext& context, const FormParams& params);
    static Json getRuleList(HandlerContext& context, const FormParams& params);
    static Json recharge(HandlerContext& context, const FormParams& params);
    static Json reasons(HandlerContext& context, const FormParams& params);
    static Json reScore(HandlerContext& context, const FormParams& params);
    static Json memberPaypwd(HandlerContext& context, const FormParams& params);

    static Member* findMember(MerchantState& state, const std::string& id);
};

} // namespace merchant
