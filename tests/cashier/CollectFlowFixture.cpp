#include "CollectFlowFixture.h"

#include "api/DateUtil.h"
#include "api/SignedClientUi.h"
#include "app/HomeViewController.h"
#include "cashier/CashierScreens.h"
#include "hud/ToastView.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/VirtualClock.h"
#include "platform/kit/Application.h"
#include "platform/kit/BarButtonItem.h"
#include "platform/kit/Control.h"
#include "platform/kit/NavigationItem.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/FakeTransport.h"
#include "platform/net/NetworkState.h"
#include "platform/net/ReachabilityFlags.h"
#include "platform/net/Transport.h"
#include "server/StandInClient.h"
#include "support/BackendTransport.h"
#include "support/InputDriver.h"

CollectFlow::CollectFlow()
    : m_transport(std::make_shared<net::FakeTransport>())
    , m_network(std::make_shared<net::FakeNetworkStateSource>())
{
    // The back end keeps the harness's time, so "today" is one day for both.
    std::weak_ptr<foundation::VirtualClock> clock = harness.clock();
    m_backend = std::make_shared<merchant::MerchantBackend>([clock] {
        auto strong = clock.lock();
        return static_cast<merchant::Seconds>(strong ? strong->now() : 0);
    });
    m_network->setDefaultFlags(net::kReachabilityFlagsReachable);
    net::NetworkState::setSource(m_network);
    support::BackendTransport::connect(
        *m_transport, m_backend, [this](const std::string& path, net::FakeTransport::Reply& reply) {
            if (m_brokenImages && path.starts_with("/qr/"))
                reply.body = "these bytes are no picture";
            for (const auto& [prefix, seconds] : m_delays) {
                if (path.starts_with(prefix))
                    reply.delay = seconds;
            }
        });
    net::Transport::install(m_transport);
    m_toastWatch = ToastView::observeShown([this](const std::string& text) { m_toasts.push_back(text); });
    support::InputDriver::resetState();

    auto& defaults = foundation::UserDefaults::standard();
    defaults.setObject(std::string("IS_FIRST_LAUNCH"), "IS_FIRST_LAUNCH");
    auto keys = m_backend->keys();
    defaults.setObject(keys.collectionKey, "KEY_RECEIVABLE");
    defaults.setObject(keys.collectionSecret, "KEY_RECEIVABLE_ENCRYPT");
    defaults.setObject(keys.memberKey, "KEY_MEMBER");
    defaults.setObject(keys.memberSecret, "KEY_MEMBER_ENCRYPT");
    for (auto wallet : { "IS_ALI_PAY", "IS_WX_PAY", "IS_ENABLE_BD_PAY" })
        defaults.setObject(std::string("1"), wallet);
    signIn();

    CashierScreens::registerScreens();
    kit::Application::launch(std::make_shared<AppDelegate>());
    m_app = AppDelegate::shared();
    auto home = m_app->homeViewController();
    m_app->window()->setRootViewController(nullptr);
    m_app->setWindow(harness.window());
    harness.window()->makeKeyAndVisible();
    harness.show(home);
    m_stack = std::dynamic_pointer_cast<kit::NavigationController>(home->selectedViewController());
}

CollectFlow::~CollectFlow()
{
    net::Transport::install(nullptr);
    net::NetworkState::setSource(nullptr);
    SignedClientUi::install(nullptr);
}

void CollectFlow::signIn(Staff staff)
{
    auto& defaults = foundation::UserDefaults::standard();
    bool owner = staff == Staff::Owner;
    defaults.setObject(std::string(owner ? "boss" : "cashier"), "USER_NAME");
    // md5("123456"), as sign-in stores it.
    defaults.setObject(std::string("e10adc3949ba59abbe56e057f20f883e"), "PASS_WORD");
    defaults.setObject(std::string(owner ? "2" : "1"), "USER_JOB");
    defaults.setObject(std::string(owner ? "7" : "8"), "USER_ID");
}

void CollectFlow::push(const std::shared_ptr<kit::ViewController>& screen)
{
    screen->setHidesBottomBarWhenPushed(true);
    m_stack->pushViewController(screen, true);
    settle();
}

void CollectFlow::settleWorkers()
{
    foundation::DispatchQueue::global()->syncFlush();
    settle();
}

void CollectFlow::pressBack()
{
    for (const auto& item : top()->navigationItem()->leftBarButtonItems()) {
        if (auto button = std::dynamic_pointer_cast<kit::Control>(item->customView())) {
            button->sendActionsForControlEvents(kit::ControlEvent::TouchUpInside);
            settle();
            return;
        }
    }
    ADD_FAILURE() << "the top screen has no back button";
}

std::vector<merchant::LoggedRequest> CollectFlow::sent(const std::string& path) const
{
    std::vector<merchant::LoggedRequest> found;
    for (auto& entry : m_backend->requestLog()) {
        if (entry.path == path)
            found.push_back(entry);
    }
    return found;
}

void CollectFlow::delayReplies(const std::string& prefix, double seconds)
{
    m_delays.emplace_back(prefix, seconds);
}

void CollectFlow::failOnce(merchant::FaultKind kind, const std::string& path, const std::string& info)
{
    merchant::FaultRule rule;
    rule.kind = kind;
    rule.path = path;
    rule.remaining = 1;
    rule.info = info;
    m_backend->addFault(rule);
}

std::vector<std::string> CollectFlow::takeToasts()
{
    return std::exchange(m_toasts, {});
}

foundation::Json CollectFlow::seededOrder(const std::string& wallet, const std::string& paystatus,
    const std::string& isRefund, const std::string& paytype)
{
    StandInClient client(*m_backend);
    double now = static_cast<double>(m_backend->now());
    auto reply = client.call("/PayApi/OfflinePay/getOrderList",
        { { "m_paytype", wallet }, { "starttime", DateUtil::getDateForDayStart(now) },
            { "endtime", DateUtil::getDateForDayEnd(now) }, { "currentpage", "1" }, { "pagesize", "100" } });
    m_backend->clearLog();
    for (const auto& order : reply["data"]["list"]) {
        if (order.value("paystatus", "") == paystatus && order.value("is_refund", "") == isRefund
            && (paytype.empty() || order.value("paytype", "") == paytype))
            return foundation::Json(order);
    }
    ADD_FAILURE() << "no seeded " << wallet << " order " << paystatus << "/" << isRefund;
    return foundation::Json::object();
}
