#include "support/ShellFixture.h"

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
#include "platform/kit/TabBarController.h"
#include "platform/kit/Window.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/FakeTransport.h"
#include "platform/net/NetworkState.h"
#include "platform/net/ReachabilityFlags.h"
#include "platform/net/Transport.h"
#include "server/StandInClient.h"
#include "support/BackendTransport.h"
#include "support/InputDriver.h"
#include "till/TillLedger.h"

#include <algorithm>

ShellFixture::ShellFixture()
    : m_transport(std::make_shared<net::FakeTransport>())
    , m_network(std::make_shared<net::FakeNetworkStateSource>())
{
    std::weak_ptr<foundation::VirtualClock> clock = harness.clock();
    m_backend = std::make_shared<merchant::MerchantBackend>([clock] {
        auto strong = clock.lock();
        return static_cast<merchant::Seconds>(strong ? strong->now() : 0);
    });
    // libcurl, and with it OpenSSL, is set up by the thread that first asks
    // for the real transport. An image load still running on a worker after
    // a test has taken its fake transport away would ask there, and
    // OpenSSL's per-thread state would outlive the leak check; asked here
    // first, on the main thread, as the program does.
    net::Transport::current();
    m_network->setDefaultFlags(net::kReachabilityFlagsReachable);
    net::NetworkState::setSource(m_network);
    // The transport may still answer a request while the harness tears down,
    // after the fixture itself has gone.
    support::BackendTransport::connect(*m_transport, m_backend,
        [broken = m_brokenImages](const std::string& path, net::FakeTransport::Reply& reply) {
            if (*broken && path.starts_with("/qr/"))
                reply.body = "these bytes are no picture";
        });
    net::Transport::install(m_transport);
    m_toastWatch = ToastView::observeShown([this](const std::string& text) { m_toasts.push_back(text); });
    support::InputDriver::resetState();
}

ShellFixture::~ShellFixture()
{
    net::Transport::install(nullptr);
    net::NetworkState::setSource(nullptr);
    SignedClientUi::install(nullptr);
}

std::shared_ptr<AppDelegate> ShellFixture::launch()
{
    if (m_app && m_app->window())
        m_app->window()->setRootViewController(nullptr);
    // The till's ledger is the home's: a relaunch finds it as a restart does.
    m_app = std::make_shared<AppDelegate>();
    kit::Application::launch(m_app);
    harness.runUntilIdle();
    return m_app;
}

void ShellFixture::launchSignedIn(Staff staff)
{
    useDemoCollectionKeys();
    for (auto wallet : { "IS_ALI_PAY", "IS_WX_PAY", "IS_ENABLE_BD_PAY" })
        setSetting(wallet, "1");
    signIn(staff);
    launchHome();
}

void ShellFixture::launchHome()
{
    setSetting("IS_FIRST_LAUNCH", "IS_FIRST_LAUNCH");
    CashierScreens::registerScreens();
    launch();
    auto home = m_app->homeViewController();
    m_app->window()->setRootViewController(nullptr);
    m_app->setWindow(harness.window());
    harness.window()->makeKeyAndVisible();
    harness.show(home);
}

void ShellFixture::signIn(Staff staff)
{
    bool owner = staff == Staff::Owner;
    setSetting("USER_NAME", owner ? "boss" : "cashier");
    // md5("123456"), as sign-in stores it.
    setSetting("PASS_WORD", "e10adc3949ba59abbe56e057f20f883e");
    setSetting("USER_JOB", owner ? "2" : "1");
    setSetting("USER_ID", owner ? "7" : "8");
}

std::shared_ptr<kit::TabBarController> ShellFixture::tabs() const
{
    return std::dynamic_pointer_cast<kit::TabBarController>(m_app->window()->rootViewController());
}

void ShellFixture::selectTab(int index)
{
    tabs()->setSelectedIndex(index);
    settle();
}

std::shared_ptr<kit::ViewController> ShellFixture::selectedRoot() const
{
    auto root = m_app->window()->rootViewController();
    if (auto tabs = std::dynamic_pointer_cast<kit::TabBarController>(root))
        return tabs->selectedViewController();
    return root;
}

std::shared_ptr<kit::NavigationController> ShellFixture::stack() const
{
    return std::dynamic_pointer_cast<kit::NavigationController>(selectedRoot());
}

std::shared_ptr<kit::ViewController> ShellFixture::top() const
{
    auto root = selectedRoot();
    if (auto navigation = std::dynamic_pointer_cast<kit::NavigationController>(root))
        return navigation->topViewController();
    return root;
}

void ShellFixture::push(const std::shared_ptr<kit::ViewController>& screen)
{
    screen->setHidesBottomBarWhenPushed(true);
    stack()->pushViewController(screen, true);
    settle();
}

void ShellFixture::pressBack()
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

void ShellFixture::settleWorkers()
{
    foundation::DispatchQueue::global()->syncFlush();
    settle();
}

void ShellFixture::setSetting(std::string_view key, const std::string& value)
{
    foundation::UserDefaults::standard().setObject(value, key);
}

std::optional<std::string> ShellFixture::setting(std::string_view key) const
{
    return foundation::UserDefaults::standard().stringForKey(key);
}

void ShellFixture::useDemoCollectionKeys()
{
    auto keys = m_backend->keys();
    setSetting("KEY_RECEIVABLE", keys.collectionKey);
    setSetting("KEY_RECEIVABLE_ENCRYPT", keys.collectionSecret);
    setSetting("KEY_MEMBER", keys.memberKey);
    setSetting("KEY_MEMBER_ENCRYPT", keys.memberSecret);
}

std::shared_ptr<kit::View> ShellFixture::find(const std::string& name) const
{
    return m_app->window()->viewWithName(name);
}

bool ShellFixture::tap(kit::View& view)
{
    auto& window = *m_app->window();
    auto bounds = view.bounds();
    auto point = view.convertPointToView(
        { bounds.origin.x + bounds.size.width / 2, bounds.origin.y + bounds.size.height / 2 }, nullptr);
    auto hit = window.touchDown(point);
    window.touchUp(point);
    harness.runUntilIdle();
    return hit.get() == &view || (hit && hit->isDescendantOfView(&view));
}

bool ShellFixture::tap(const std::string& name)
{
    auto view = find(name);
    EXPECT_TRUE(view) << "nothing named " << name;
    return view && tap(*view);
}

bool ShellFixture::shows(const std::string& text) const
{
    auto texts = harness.visibleTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::vector<std::string> ShellFixture::pathsRequested() const
{
    std::vector<std::string> paths;
    for (const auto& entry : m_backend->requestLog())
        paths.push_back(entry.path);
    return paths;
}

std::vector<merchant::LoggedRequest> ShellFixture::requestsTo(std::string_view path) const
{
    std::vector<merchant::LoggedRequest> found;
    for (const auto& entry : m_backend->requestLog()) {
        if (entry.path == path)
            found.push_back(entry);
    }
    return found;
}

std::string ShellFixture::sent(const merchant::LoggedRequest& entry, const char* key)
{
    return entry.params.contains(key) ? entry.params[key].get<std::string>() : std::string("<absent>");
}

void ShellFixture::slowReplies(std::string_view path, int delayMs, int times)
{
    merchant::FaultRule rule;
    rule.kind = merchant::FaultKind::Slow;
    rule.path = std::string(path);
    rule.remaining = times;
    rule.delayMs = delayMs;
    m_backend->addFault(rule);
}

void ShellFixture::failOnce(merchant::FaultKind kind, const std::string& path, const std::string& info)
{
    merchant::FaultRule rule;
    rule.kind = kind;
    rule.path = path;
    rule.remaining = 1;
    rule.info = info;
    m_backend->addFault(rule);
}

foundation::Json ShellFixture::seededOrder(const std::string& wallet, const std::string& paystatus,
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

std::size_t ShellFixture::followedAfterLeaving() const
{
    return m_app->tillLedger()->ordersIn(TillLedger::OrderState::LeftWaiting).size();
}
