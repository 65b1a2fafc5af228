#include "cashier/QRCodePayViewController.h"

#include "api/Constants.h"
#include "api/JsonUtil.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "cashier/MobilePayHandOff.h"
#include "cashier/OrderStatusPoller.h"
#include "cashier/PayResultViewController.h"
#include "cashier/QrCodePayView.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Screen.h"
#include "ui/PromptUtil.h"

QRCodePayViewController::QRCodePayViewController()
    : m_poller(OrderStatusPoller::create())
{
}

QRCodePayViewController::~QRCodePayViewController()
{
    m_poller->stop();
}

void QRCodePayViewController::loadView()
{
    setView(std::make_shared<QrCodePayView>(kit::Screen::mainScreen().bounds()));
}

void QRCodePayViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
}

void QRCodePayViewController::initViews()
{
    setTitle("二维码收款");
    auto body = std::static_pointer_cast<QrCodePayView>(view());
    body->setMoney(m_money);
    body->showWallet(m_payWay);
    getPayCode();
}

void QRCodePayViewController::screenAdapter()
{
    view()->setNeedsLayout();
}

// Deliberately not the base appearance step: these screens only stop polling.
void QRCodePayViewController::viewWillAppear(bool animated)
{
    kit::ViewController::viewWillAppear(animated);
    stopPolling();
}

void QRCodePayViewController::viewWillDisappear(bool animated)
{
    kit::ViewController::viewWillDisappear(animated);
    ++m_generation;
    stopPolling();
}

void QRCodePayViewController::viewDidDisappear(bool animated)
{
    kit::ViewController::viewDidDisappear(animated);
    stopPolling();
}

bool QRCodePayViewController::isPolling() const
{
    return m_poller->isPolling();
}

void QRCodePayViewController::stopPolling()
{
    m_poller->stop();
}

void QRCodePayViewController::getPayCode()
{
    NetUtilSign::Parameters parameters;
    parameters["money"] = m_money;
    parameters["m_paytype"] = m_payWay;
    parameters["mid"] = userDefaults().stringForKey(USER_ID).value_or("");
    std::weak_ptr<QRCodePayViewController> weak = selfQrCode();
    std::uint64_t generation = m_generation;
    NetUtilSign::doPost(qrcodePath, std::string(loadingText), NetUtilSign::receivableKeyFlag, parameters,
        [weak, generation](const std::optional<std::string>& reply) {
            auto screen = weak.lock();
            if (!screen || generation != screen->m_generation)
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
    std::weak_ptr<QRCodePayViewController> weak = selfQrCode();
    std::uint64_t generation = m_generation;
    auto onImage = [weak, generation](const std::string& bytes) {
        if (auto screen = weak.lock())
            screen->handleImage(generation, bytes);
    };
    if (m_payWay == PAY_TYPE_BDPAY)
        NetUtilSign::getStaticQrcodeImage(url, std::string(loadingText), onImage);
    else
        NetUtilSign::getQrcodeImage(url, std::string(loadingText), onImage);
}

void QRCodePayViewController::handleImage(std::uint64_t generation, const std::string& bytes)
{
    if (generation != m_generation)
        return;
    // Bytes that are no picture show nothing, like none at all.
    if (!std::static_pointer_cast<QrCodePayView>(view())->showQrCode(bytes)) {
        PromptUtil::toast(std::string(imageFailedText));
        return;
    }
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = foundation::optionalText(m_orderEntity, "orderid").value_or("");
    std::weak_ptr<QRCodePayViewController> weak = selfQrCode();
    m_poller->start(std::move(parameters), [weak](const foundation::Json& order) {
        if (auto screen = weak.lock())
            screen->toPayResult(order);
    });
}

void QRCodePayViewController::toPayResult(const foundation::Json& order)
{
    // A paid member part goes back to its member screen; anything else shows the result.
    if (MobilePayHandOff::isPaidMemberPart(m_consumeType, order)) {
        if (m_consumeType == MobilePayCallbackReceiver::consumeTypePurchase)
            memberConsume(order);
        else
            memberRecharge(order);
        return;
    }
    PayResultViewController::showAfterProcessing(*this, order, m_money, false, false);
}

void QRCodePayViewController::memberConsume(const foundation::Json& order)
{
    if (auto navigation = navigationController())
        MobilePayHandOff::returnPaidRequest(
            *navigation, MobilePayCallbackReceiver::consumeTypePurchase, m_requestPayParams, order, m_payWay);
}

void QRCodePayViewController::memberRecharge(const foundation::Json& order)
{
    if (auto navigation = navigationController())
        MobilePayHandOff::returnPaidRequest(
            *navigation, MobilePayCallbackReceiver::consumeTypeRecharge, m_requestPayParams, order, m_payWay);
}
