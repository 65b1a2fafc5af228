#include "cashier/RePayViewController.h"

#include "api/NetUtil.h"
#include "cashier/PayResultViewController.h"
#include "cashier/QrCodePayView.h"

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
    PayResultViewController::showAfterProcessing(*this, order, m_money, true, m_isFromOrderDetailInto);
}

PaidAfterLeaving RePayViewController::paidAfterLeaving() const
{
    PaidAfterLeaving paid;
    paid.money = m_money;
    paid.isRestartPay = true;
    paid.isFromOrderDetailInto = m_isFromOrderDetailInto;
    return paid;
}
