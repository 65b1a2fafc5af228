#include "ShellFixture.h"

#include "api/SignedClientUi.h"
#include "hud/ToastView.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/Application.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/TabBarController.h"
#include "platform/kit/Window.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/FakeTransport.h"
#include "platform/net/NetworkState.h"
#include "platform/net/ReachabilityFlags.h"
#include "platform/net/Transport.h"
#include "support/BackendTransport.h"
#include "support/InputDriver.h"

ShellFixture::ShellFixture()
    : m_backend(std::make_shared<merchant::MerchantBackend>())
    , m_transport(std::make_shared<net::FakeTransport>())
    , m_network(std::make_shared<net::FakeNetworkStateSource>())
{
    // libcurl, and with it OpenSSL, is set up by the thread that first asks
    // for the real transport. An image load still running on a worker after
    // a test has taken its fake transport away would ask there, and
    // OpenSSL's per-thread state would outlive the leak check; asked here
    // first, on the main thread, as the program does.
    net::Transport::current();
    m_network->setDefaultFlags(net::kReachabilityFlagsReachable);
    net::NetworkState::setSource(m_network);
    support::BackendTransport::connect(*m_transport, m_backend);
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
    m_app = std::make_shared<AppDelegate>();
    kit::Application::launch(m_app);
    m_harness.runUntilIdle();
    return m_app;
}

std::shared_ptr<kit::ViewController> ShellFixture::topScreen() const
{
    auto root = m_app->window()->rootViewController();
    if (auto tabs = std::dynamic_pointer_cast<kit::TabBarController>(root))
        root = tabs->selectedViewController();
    if (auto navigation = std::dynamic_pointer_cast<kit::NavigationController>(root))
        return navigation->topViewController();
    return root;
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
    m_harness.runUntilIdle();
    return hit.get() == &view || (hit && hit->isDescendantOfView(&view));
}

bool ShellFixture::tap(const std::string& name)
{
    auto view = find(name);
    EXPECT_TRUE(view) << "nothing named " << name;
    return view && tap(*view);
}

std::vector<std::string> ShellFixture::pathsRequested() const
{
    std::vector<std::string> paths;
    for (const auto& entry : m_backend->requestLog())
        paths.push_back(entry.path);
    return paths;
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

void ShellFixture::slowOnce(std::string_view path, int delayMs)
{
    merchant::FaultRule rule;
    rule.kind = merchant::FaultKind::Slow;
    rule.path = std::string(path);
    rule.remaining = 1;
    rule.delayMs = delayMs;
    m_backend->addFault(rule);
}
