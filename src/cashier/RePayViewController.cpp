#include "cashier/RePayViewController.h"

#include "api/NetUtil.h"
#include "cashier/PaidOrderDelivery.h"
#include "cashier/PayResultViewController.h"
#include "cashier/QrCodePayView.h"
#include "cashier/Till.h"
#include "platform/kit/NavigationController.h"

void RePayViewController::initViews()
{
    setTitle("重新付款");
    body().setMoney(m_money);
    body().showWallet(m_payWay);
    getQrCodeImage();
}

void RePayViewController::getQrCodeImage()
{
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = m_orderId;
    parameters["m_paytype"] = m_payWay;
    NetUtil::getNetImage(m_imgUrl, std::string(loadingText), onPicture(std::move(parameters)));
}

void RePayViewController::toPayResult(const foundation::Json& order)
{
    auto orderid = foundation::optionalText(order, "orderid").value_or(m_orderId);
    auto record = tillOrder();
    if (const auto* known = Till::ledger().order(orderid))
        record = *known;
    // A re-payment of a member's part left open pays that sale while it is
    // open, and the sale's form shows it: no result of its own, which would
    // read as money to give back. Otherwise the result is its own.
    auto showOnForm = [&] {
        if (!PaidOrderDelivery::showOnForm(record.sale))
            return false;
        auto navigation = navigationController();
        if (navigation && navigation->topViewController().get() == this)
            navigation->popViewControllerAnimated(true);
        return true;
    };
    if (!PaidOrderDelivery::settleOnPayingScreen(order, orderid, record, record.sale, showOnForm))
        return;
    PayResultViewController::showAfterProcessing(*this, order, m_money, true, m_isFromOrderDetailInto);
}

TillLedger::Order RePayViewController::tillOrder() const
{
    TillLedger::Order order;
    order.wallet = m_payWay;
    order.money = m_money;
    order.purpose = TillLedger::Purpose::Repay;
    return order;
}
