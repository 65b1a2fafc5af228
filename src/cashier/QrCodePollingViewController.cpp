#include "cashier/QrCodePollingViewController.h"

#include "cashier/OrderStatusPoller.h"
#include "cashier/PaidOrderDelivery.h"
#include "cashier/QrCodePayView.h"
#include "cashier/SubmitGuard.h"
#include "cashier/Till.h"
#include "cashier/UnpaidOrderExit.h"
#include "platform/kit/Screen.h"
#include "ui/PromptUtil.h"

QrCodePollingViewController::QrCodePollingViewController()
    : m_poller(OrderStatusPoller::create())
    , m_exit(UnpaidOrderExit::create(m_poller, SubmitGuard::create()))
{
}

QrCodePollingViewController::~QrCodePollingViewController()
{
    leaveOrder();
}

void QrCodePollingViewController::loadView()
{
    setView(std::make_shared<QrCodePayView>(kit::Screen::mainScreen().bounds()));
}

void QrCodePollingViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
}

void QrCodePollingViewController::screenAdapter()
{
    view()->setNeedsLayout();
}

// Deliberately not the base appearance step: these screens only stop
// polling, or take back an order that was followed while they were away.
void QrCodePollingViewController::viewWillAppear(bool animated)
{
    kit::ViewController::viewWillAppear(animated);
    if (!m_orderid.empty() && Till::ledger().takeBack(m_orderid))
        poll();
    else
        leaveOrder();
}

// Whatever took the screen away, an order still unpaid stays followed: the
// staff chose to leave it, or were never asked (another screen came over).
void QrCodePollingViewController::viewWillDisappear(bool animated)
{
    kit::ViewController::viewWillDisappear(animated);
    ++m_generation;
    leaveOrder();
}

void QrCodePollingViewController::viewDidDisappear(bool animated)
{
    kit::ViewController::viewDidDisappear(animated);
    leaveOrder();
}

void QrCodePollingViewController::leaveOrder()
{
    if (!m_poller->isPolling())
        return;
    m_poller->stop();
    Till::ledger().left(m_orderid, Till::now());
}

void QrCodePollingViewController::back()
{
    std::weak_ptr<QrCodePollingViewController> weak
        = std::static_pointer_cast<QrCodePollingViewController>(shared_from_this());
    m_exit->leave(
        orderWallet(),
        [weak] {
            auto screen = weak.lock();
            if (screen && screen->isAppearing())
                screen->BaseViewController::back();
        },
        true);
}

bool QrCodePollingViewController::isPolling() const
{
    return m_poller->isPolling();
}

QrCodePayView& QrCodePollingViewController::body()
{
    return static_cast<QrCodePayView&>(*view());
}

std::function<void(const std::string& bytes)> QrCodePollingViewController::onPicture(
    NetUtilSign::Parameters parameters)
{
    std::weak_ptr<QrCodePollingViewController> weak
        = std::static_pointer_cast<QrCodePollingViewController>(shared_from_this());
    return [weak, generation = m_generation, parameters = std::move(parameters)](const std::string& bytes) {
        auto screen = weak.lock();
        if (screen && generation == screen->m_generation)
            screen->showCodeAndPoll(bytes, parameters);
    };
}

void QrCodePollingViewController::showCodeAndPoll(
    const std::string& bytes, NetUtilSign::Parameters parameters)
{
    // Bytes that are no picture show nothing, like none at all.
    if (!body().showQrCode(bytes)) {
        PromptUtil::toast(std::string(imageFailedText));
        return;
    }
    m_pollParameters = std::move(parameters);
    auto orderid = m_pollParameters.find("orderid");
    m_orderid = orderid != m_pollParameters.end() ? orderid->second : std::string();
    auto order = tillOrder();
    order.orderid = m_orderid;
    Till::ledger().following(order);
    m_exit->orderChanged();
    poll();
}

void QrCodePollingViewController::poll()
{
    std::weak_ptr<QrCodePollingViewController> weak
        = std::static_pointer_cast<QrCodePollingViewController>(shared_from_this());
    auto order = tillOrder();
    order.orderid = m_orderid;
    m_poller->start(
        m_pollParameters,
        [weak](const foundation::Json& order) {
            if (auto screen = weak.lock())
                screen->settled(order);
        },
        [order](const foundation::Json& answer) { PaidOrderDelivery::endedAway(answer, order.orderid, order); });
}

void QrCodePollingViewController::settled(const foundation::Json& order)
{
    if (OrderStatusPoller::endOf(order) == OrderStatusPoller::End::Cancelled) {
        Till::ledger().ended(m_orderid);
        m_exit->orderCancelled();
        return;
    }
    m_exit->orderEnded();
    toPayResult(order);
}
