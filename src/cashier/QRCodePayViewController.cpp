#include "cashier/QRCodePayViewController.h"

#include "api/Constants.h"
#include "api/JsonUtil.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "cashier/PaidOrderDelivery.h"
#include "cashier/PayResultViewController.h"
#include "cashier/QrCodePayView.h"
#include "cashier/Till.h"
#include "platform/foundation/UserDefaults.h"
#include "ui/PromptUtil.h"

void QRCodePayViewController::initViews()
{
    setTitle("二维码收款");
    body().setMoney(m_money);
    body().showWallet(m_payWay);
    getPayCode();
}

void QRCodePayViewController::getPayCode()
{
    NetUtilSign::Parameters parameters;
    parameters["money"] = m_money;
    parameters["m_paytype"] = m_payWay;
    parameters["mid"] = userDefaults().stringForKey(USER_ID).value_or("");
    std::weak_ptr<QRCodePayViewController> weak
        = std::static_pointer_cast<QRCodePayViewController>(shared_from_this());
    NetUtilSign::doPost(qrcodePath, std::string(loadingText), NetUtilSign::receivableKeyFlag, parameters,
        [weak, generation = generation()](const std::optional<std::string>& reply) {
            auto screen = weak.lock();
            if (!screen || generation != screen->generation())
                return;
            auto json = JsonUtil::getJSONObject(reply);
            if (!JsonUtil::isSuccess(json)) {
                PromptUtil::toast(JsonUtil::info(json));
                return;
            }
            const auto& data = JsonUtil::data(json);
            screen->m_orderEntity = data.is_object() ? data : foundation::Json::object();
            screen->getQrCodeImage(foundation::optionalText(data, "pic_url").value_or(""));
        });
}

void QRCodePayViewController::getQrCodeImage(const std::string& url)
{
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = foundation::optionalText(m_orderEntity, "orderid").value_or("");
    auto onImage = onPicture(std::move(parameters));
    if (m_payWay == PAY_TYPE_BDPAY)
        NetUtilSign::getStaticQrcodeImage(url, std::string(loadingText), std::move(onImage));
    else
        NetUtilSign::getQrcodeImage(url, std::string(loadingText), std::move(onImage));
}

void QRCodePayViewController::toPayResult(const foundation::Json& order)
{
    auto orderid = foundation::optionalText(order, "orderid").value_or(followedOrder());
    bool const recharge = m_consumeType == MobilePayCallbackReceiver::consumeTypeRecharge;
    if (!PaidOrderDelivery::settleOnPayingScreen(order, orderid, tillOrder(), m_tillSale,
            [&] { return recharge ? memberRecharge(order) : memberConsume(order); }))
        return;
    PayResultViewController::showAfterProcessing(*this, order, m_money, false, false);
}

TillLedger::Order QRCodePayViewController::tillOrder() const
{
    TillLedger::Order order;
    order.wallet = m_payWay;
    order.money = m_money;
    order.purpose = m_consumeType == MobilePayCallbackReceiver::consumeTypePurchase
        ? TillLedger::Purpose::PurchasePart
        : m_consumeType == MobilePayCallbackReceiver::consumeTypeRecharge ? TillLedger::Purpose::RechargePart
                                                                          : TillLedger::Purpose::Collection;
    order.sale = m_tillSale;
    return order;
}

bool QRCodePayViewController::memberConsume(const foundation::Json& order)
{
    return PaidOrderDelivery::handBack(*this, m_tillSale, m_requestPayParams, order, m_payWay);
}

bool QRCodePayViewController::memberRecharge(const foundation::Json& order)
{
    return PaidOrderDelivery::handBack(*this, m_tillSale, m_requestPayParams, order, m_payWay);
}
