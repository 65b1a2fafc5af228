#include "cashier/RePayViewController.h"

#include "api/NetUtil.h"
#include "api/NetUtilSign.h"
#include "cashier/OrderStatusPoller.h"
#include "cashier/PayResultViewController.h"
#include "cashier/QRCodePayViewController.h"
#include "cashier/QrCodePayView.h"
#include "platform/kit/Screen.h"
#include "ui/PromptUtil.h"

RePayViewController::RePayViewController()
    : m_poller(OrderStatusPoller::create())
{
}

RePayViewController::~RePayViewController()
{
    m_poller->stop();
}

void RePayViewController::loadView()
{
    setView(std::make_shared<QrCodePayView>(kit::Screen::mainScreen().bounds()));
}

void RePayViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
}

void RePayViewController::initViews()
{
    setTitle("重新付款");
    auto body = std::static_pointer_cast<QrCodePayView>(view());
    body->setMoney(m_money);
    body->showWallet(m_payWay);
    getQrCodeImage();
}

void RePayViewController::screenAdapter()
{
    view()->setNeedsLayout();
}

// Deliberately not the base appearance step: these screens only stop polling.
void RePayViewController::viewWillAppear(bool animated)
{
    kit::ViewController::viewWillAppear(animated);
    m_poller->stop();
}

void RePayViewController::viewWillDisappear(bool animated)
{
    kit::ViewController::viewWillDisappear(animated);
    ++m_generation;
    m_poller->stop();
}

void RePayViewController::viewDidDisappear(bool animated)
{
    kit::ViewController::viewDidDisappear(animated);
    m_poller->stop();
}

bool RePayViewController::isPolling() const
{
    return m_poller->isPolling();
}

void RePayViewController::getQrCodeImage()
{
    std::weak_ptr<RePayViewController> weak = selfRePay();
    std::uint64_t generation = m_generation;
    NetUtil::getNetImage(m_imgUrl, std::string(QRCodePayViewController::loadingText),
        [weak, generation](const std::string& bytes) {
            if (auto screen = weak.lock())
                screen->handleImage(generation, bytes);
        });
}

void RePayViewController::handleImage(std::uint64_t generation, const std::optional<std::string>& bytes)
{
    if (generation != m_generation)
        return;
    if (!bytes || !std::static_pointer_cast<QrCodePayView>(view())->showQrCode(*bytes)) {
        PromptUtil::toast(std::string(QRCodePayViewController::imageFailedText));
        return;
    }
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = m_orderId;
    parameters["m_paytype"] = m_payWay;
    std::weak_ptr<RePayViewController> weak = selfRePay();
    m_poller->start(std::move(parameters), [weak](const foundation::Json& order) {
        if (auto screen = weak.lock())
            screen->toPayResult(order);
    });
}

void RePayViewController::toPayResult(const foundation::Json& order)
{
    PayResultViewController::showAfterProcessing(*this, order, m_money, true, m_isFromOrderDetailInto);
}
