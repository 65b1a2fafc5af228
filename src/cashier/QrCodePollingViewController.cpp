#include "cashier/QrCodePollingViewController.h"

#include "cashier/OrderStatusPoller.h"
#include "cashier/QrCodePayView.h"
#include "cashier/SubmitGuard.h"
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
    // An order followed without the screen goes on being followed.
    if (!m_poller->isFollowingAfterLeaving())
        m_poller->stop();
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
    if (!m_poller->takeBack())
        m_poller->stop();
}

// Whatever took the screen away, an order still unpaid stays followed: the
// staff chose to leave it, or were never asked (another screen came over).
void QrCodePollingViewController::viewWillDisappear(bool animated)
{
    kit::ViewController::viewWillDisappear(animated);
    ++m_generation;
    m_poller->continueAfterLeaving();
}

void QrCodePollingViewController::viewDidDisappear(bool animated)
{
    kit::ViewController::viewDidDisappear(animated);
    m_poller->continueAfterLeaving();
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
    std::weak_ptr<QrCodePollingViewController> weak
        = std::static_pointer_cast<QrCodePollingViewController>(shared_from_this());
    m_exit->orderChanged();
    m_poller->start(
        std::move(parameters),
        [weak](const foundation::Json& order) {
            auto screen = weak.lock();
            if (!screen)
                return;
            screen->m_exit->orderEnded();
            screen->toPayResult(order);
        },
        [paid = paidAfterLeaving()](const foundation::Json& order) { paid.deliver(order); });
}
