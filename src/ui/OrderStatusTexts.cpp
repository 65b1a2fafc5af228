#include "ui/OrderStatusTexts.h"

#include "api/Constants.h"
#include "platform/foundation/Strings.h"

namespace {

bool is(const std::optional<std::string>& code, std::string_view value)
{
    return code && *code == value;
}

} // namespace

std::string OrderStatusTexts::payTypeText(const std::optional<std::string>& paytype)
{
    if (is(paytype, "1"))
        return "条码支付";
    if (is(paytype, "2"))
        return "扫码支付";
    return "声波支付";
}

std::string OrderStatusTexts::payStatusText(const std::optional<std::string>& paystatus)
{
    if (is(paystatus, "0"))
        return "待付款";
    if (is(paystatus, "1"))
        return "支付成功";
    return "支付失败";
}

std::string OrderStatusTexts::refundText(const std::optional<std::string>& isRefund)
{
    if (is(isRefund, "0"))
        return "正常";
    if (is(isRefund, "1"))
        return "已撤销";
    return "已退款";
}

std::string OrderStatusTexts::paymentText(const std::optional<std::string>& payment)
{
    if (is(payment, PAY_TYPE_ALIPAY))
        return "支付宝";
    if (is(payment, PAY_TYPE_WXPAY))
        return "微信";
    return "百度钱包";
}

std::string OrderStatusTexts::payStatusColorHex(const std::optional<std::string>& paystatus)
{
    if (is(paystatus, "0"))
        return "E60012";
    if (is(paystatus, "1"))
        return "3baa24";
    return "E71324";
}

std::string OrderStatusTexts::accountText(const std::optional<std::string>& paystatus,
    const std::string& currentPayType, const std::optional<std::string>& buyerAccount)
{
    if (is(paystatus, "0"))
        return "暂未付款";
    if (!is(paystatus, "1"))
        return "支付失败";
    if (currentPayType == PAY_TYPE_ALIPAY)
        return buyerAccount.value_or("");
    if (currentPayType == PAY_TYPE_WXPAY)
        return "微信账号";
    return "百度账号";
}

bool OrderStatusTexts::showsPayTime(const std::optional<std::string>& paystatus)
{
    return is(paystatus, "1");
}

std::string OrderStatusTexts::moneyText(const std::optional<std::string>& paystatus,
    const std::optional<std::string>& paymoney, const std::optional<std::string>& priPaymoney)
{
    if (is(paystatus, "0"))
        return foundation::describe(paymoney);
    return foundation::describe(paymoney) + "（实收"
        + foundation::formatFixed(foundation::doubleValue(priPaymoney), 2) + "）";
}
