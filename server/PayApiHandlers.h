#pragma once

#include "server/Envelope.h"
#include "server/HandlerContext.h"

namespace merchant {

// The collection side: staff check, shop information and the order life
// cycle (waiting -> paid / failed, waiting -> cancelled, paid -> refunded
// step by step down to nothing received).
class PayApiHandlers {
public:
    static Json checkStaff(HandlerContext& context, const FormParams& params);
    static Json getShopInfo(HandlerContext& context, const FormParams& params);
    static Json qrcode(HandlerContext& context, const FormParams& params);
    static Json getOrderStatus(HandlerContext& context, const FormParams& params);
    static Json getMoneySum(HandlerContext& context, const FormParams& params);
    static Json getOrderList(HandlerContext& context, const FormParams& params);
    static Json getOrderDetails(HandlerContext& context, const FormParams& params);
    static Json barcode(HandlerContext& context, const FormParams& params);
    static Json cancel(HandlerContext& context, const FormParams& params);
    static Json refund(HandlerContext& context, const FormParams& params);
    static Json repay(HandlerContext& context, const FormParams& params);

    // The plain agent request; its reply is not encrypted.
    static Json modifyStaffPassword(MerchantState& state, const FormParams& params);

    static Order* findOrder(MerchantState& state, const std::string& orderid);
    // Settles a waiting order; a cancelled or settled one is left alone.
    // Returns whether the order changed.
    static bool settle(Order& order, bool paid, Seconds now);
};

} // namespace merchant
