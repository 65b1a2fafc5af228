#include "cashier/QRCodePayViewController.h"

#include "api/Constants.h"
#include "api/JsonUtil.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "cashier/MobilePayHandOff.h"
#include "cashier/PayResultViewController.h"
#include "cashier/QrCodePayView.h"
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
    if (MobilePayHandOff::isPaidMemberPart(m_consumeType, order)) {
        bool handedBack = m_consumeType == MobilePayCallbackReceiver::consumeTypePurchase
            ? memberConsume(order)
            : memberRecharge(order);
        // With no member screen to take it, the result at least shows that
        // the money was taken.
        if (handedBack)
            return;
    }
    PayResultViewController::showAfterProcessing(*this, order, m_money, false, false);
}

PaidAfterLeaving QRCodePayViewController::paidAfterLeaving() const
{
    PaidAfterLeaving paid;
    paid.money = m_money;
    paid.consumeType = m_consumeType;
    paid.request = m_requestPayParams;
    paid.wallet = m_payWay;
    return paid;
}

bool QRCodePayViewController::memberConsume(const foundation::Json& order)
{
    return MobilePayHandOff::returnPaidRequest(
        *this, MobilePayCallbackReceiver::consumeTypePurchase, m_requestPayParams, order, m_payWay);
}

bool QRCodePayViewController::memberRecharge(const foundation::Json& order)
{
    return MobilePayHandOff::returnPaidRequest(
        *this, MobilePayCallbackReceiver::consumeTypeRecharge, m_requestPayParams, order, m_payWay);
}
