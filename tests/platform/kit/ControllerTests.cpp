#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/Image.h"
#include "platform/kit/Application.h"
#include "platform/kit/BarButtonItem.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/LocalNotification.h"
#include "platform/kit/NavigationBar.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Registry.h"
#include "platform/kit/TabBar.h"
#include "platform/kit/TabBarController.h"
#include "platform/kit/TabBarItem.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

using graphics::Rect;
using kit::NavigationController;
using kit::ViewController;

namespace {

std::vector<std::string>* g_log = nullptr;
bool g_flag = false;

class Logged : public ViewController {
public:
    explicit Logged(std::string name)
        : m_name(std::move(name))
    {
    }
    void viewDidLoad() override { note("load"); }
    void viewWillAppear(bool) override
    {
        note("willAppear");
        sawFlag = g_flag;
    }
    void viewDidAppear(bool) override { note("didAppear"); }
    void viewWillDisappear(bool) override { note("willDisappear"); }
    void viewDidDisappear(bool) override { note("didDisappear"); }
    bool sawFlag = false;

private:
    void note(const std::string& what)
    {
        if (g_log)
            g_log->push_back(m_name + " " + what);
    }
    std::string m_name;
};

class ControllerTest : public support::ScreenTest {
protected:
    void SetUp() override
    {
        g_log = &log;
        g_flag = false;
    }
    void TearDown() override { g_log = nullptr; }

    std::shared_ptr<NavigationController> showStack()
    {
        root = std::make_shared<Logged>("root");
        auto nav = std::make_shared<NavigationController>(root);
        harness.show(nav);
        log.clear();
        return nav;
    }

    std::vector<std::string> log;
    std::shared_ptr<Logged> root;
};

} // namespace

TEST_F(ControllerTest, PushTellsAppearanceAfterTheCallReturnsInToolkitOrder)
{
    auto nav = showStack();
    auto next = std::make_shared<Logged>("next");
    nav->pushViewController(next, true);
    // The stack and the view change at once, the callbacks do not.
    EXPECT_EQ(nav->topViewController(), next);
    EXPECT_EQ(next->navigationController(), nav);
    EXPECT_EQ(log, std::vector<std::string> { "next load" });

    harness.runUntilIdle();
    EXPECT_EQ(log,
        (std::vector<std::string> {
            "next load", "root willDisappear", "next willAppear", "root didDisappear", "next didAppear" }));
}

TEST_F(ControllerTest, PopToRootLetsTheCallerSetStateBeforeAppearance)
{
    auto nav = showStack();
    auto a = std::make_shared<Logged>("a");
    auto b = std::make_shared<Logged>("b");
    nav->pushViewController(a, true);
    nav->pushViewController(b, true);
    harness.runUntilIdle();
    log.clear();

    auto popped = nav->popToRootViewControllerAnimated(true);
    g_flag = true;
    EXPECT_EQ(popped, (std::vector<std::shared_ptr<ViewController>> { a, b }));
    harness.runUntilIdle();
    EXPECT_TRUE(root->sawFlag);
    // Only the screen that was shown disappears; the one in between was
    // never on screen.
    EXPECT_EQ(log,
        (std::vector<std::string> {
            "b willDisappear", "root willAppear", "b didDisappear", "root didAppear" }));
    EXPECT_EQ(b->navigationController(), nullptr);
}

TEST_F(ControllerTest, PushAndPopInOneTurnCancelOut)
{
    auto nav = showStack();
    auto a = std::make_shared<Logged>("a");
    nav->pushViewController(a, true);
    nav->popViewControllerAnimated(true);
    harness.runUntilIdle();
    EXPECT_EQ(log, std::vector<std::string> { "a load" });
}

TEST_F(ControllerTest, StackRefusesImpossibleChanges)
{
    auto nav = showStack();
    EXPECT_EQ(nav->popViewControllerAnimated(true), nullptr);
    nav->pushViewController(root, true);
    nav->pushViewController(nullptr, true);
    auto stranger = std::make_shared<Logged>("stranger");
    EXPECT_TRUE(nav->popToViewController(stranger, true).empty());
    harness.runUntilIdle();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_TRUE(log.empty());
}

TEST_F(ControllerTest, OnlyTheTopScreensViewIsInTheWindow)
{
    auto nav = showStack();
    auto a = std::make_shared<Logged>("a");
    nav->pushViewController(a, true);
    EXPECT_EQ(root->view()->window(), nullptr);
    EXPECT_EQ(a->view()->window(), harness.window());
    nav->popViewControllerAnimated(true);
    EXPECT_EQ(a->view()->window(), nullptr);
    EXPECT_EQ(root->view()->window(), harness.window());
}

TEST_F(ControllerTest, BarShowsTheTopItemsWithFixedSpacesAndTheyCanBeTapped)
{
    auto nav = showStack();
    auto a = std::make_shared<Logged>("a");
    auto back = kit::Button::buttonWithType(kit::ButtonType::Custom);
    back->setFrame({ 0, 0, 60, 44 });
    back->setTitle(std::string("返回"), kit::ControlState::Normal);
    std::weak_ptr<NavigationController> weakNav = nav;
    back->addAction(
        [weakNav](kit::Control&) {
            if (auto n = weakNav.lock())
                n->popViewControllerAnimated(true);
        },
        kit::ControlEvent::TouchUpInside);
    a->navigationItem()->setLeftBarButtonItems(
        { kit::BarButtonItem::fixedSpace(-10), std::make_shared<kit::BarButtonItem>(back) });
    a->navigationItem()->setTitle("会员详情");
    nav->pushViewController(a, true);
    harness.runUntilIdle();

    EXPECT_EQ(back->frame(), Rect(kit::NavigationBar::edgeMargin - 10, 20, 60, 44));
    ASSERT_NE(nav->navigationBar()->titleLabel(), nullptr);
    EXPECT_EQ(nav->navigationBar()->titleLabel()->text(), "会员详情");

    EXPECT_TRUE(harness.tapTitle("返回"));
    EXPECT_EQ(nav->topViewController(), root);
}

TEST_F(ControllerTest, TabsTellAppearanceOnSelectionAndHideTheBarForPushedScreens)
{
    auto first = std::make_shared<Logged>("first");
    auto second = std::make_shared<Logged>("second");
    auto nav1 = std::make_shared<NavigationController>(first);
    auto nav2 = std::make_shared<NavigationController>(second);
    nav2->tabBarItem()->setTitle("会员");
    auto tabs = std::make_shared<kit::TabBarController>();
    tabs->setViewControllers({ nav1, nav2 });
    harness.show(tabs);
    EXPECT_EQ(log, (std::vector<std::string> { "first load", "first willAppear", "first didAppear" }));

    log.clear();
    EXPECT_TRUE(harness.tapTitle("会员"));
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    EXPECT_EQ(log,
        (std::vector<std::string> { "second load", "first willDisappear", "second willAppear",
            "first didDisappear", "second didAppear" }));

    auto pushed = std::make_shared<Logged>("pushed");
    pushed->setHidesBottomBarWhenPushed(true);
    nav2->pushViewController(pushed, true);
    EXPECT_TRUE(tabs->tabBar()->isHidden());
    nav2->popViewControllerAnimated(true);
    EXPECT_FALSE(tabs->tabBar()->isHidden());

    // Coming back to a tab shows its screen again.
    log.clear();
    tabs->setSelectedIndex(0);
    harness.runUntilIdle();
    EXPECT_EQ(log,
        (std::vector<std::string> {
            "second willDisappear", "first willAppear", "second didDisappear", "first didAppear" }));
}

TEST_F(ControllerTest, TabButtonsFollowTheirItemsChangedAfterTheBarWasBuilt)
{
    auto first = std::make_shared<Logged>("first");
    auto second = std::make_shared<Logged>("second");
    auto tabs = std::make_shared<kit::TabBarController>();
    tabs->setViewControllers({ first, second });
    harness.show(tabs);

    auto icon = graphics::Image::fromColor(graphics::Color::gray());
    auto chosen = graphics::Image::fromColor(graphics::Color::white());
    second->setTitle("会员");
    second->tabBarItem()->setImage(icon);
    second->tabBarItem()->setSelectedImage(chosen);
    harness.runUntilIdle();

    const auto& buttons = tabs->tabBar()->itemButtons();
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0]->titleForState(kit::ControlState::Normal), "") << "only the changed tab's button";
    EXPECT_EQ(buttons[0]->currentImage(), nullptr);
    EXPECT_EQ(buttons[1]->currentImage(), icon);
    EXPECT_TRUE(harness.tapTitle("会员"));
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    EXPECT_EQ(buttons[1]->currentImage(), chosen);
}

TEST_F(ControllerTest, ReplacingTheWindowRootShowsOnlyTheRootInPlace)
{
    auto guide = std::make_shared<Logged>("guide");
    auto home = std::make_shared<Logged>("home");
    auto& window = *harness.window();
    window.setRootViewController(guide);
    window.setRootViewController(home);
    harness.runUntilIdle();
    EXPECT_EQ(
        log, (std::vector<std::string> { "guide load", "home load", "home willAppear", "home didAppear" }));
    EXPECT_EQ(guide->view()->window(), nullptr);

    log.clear();
    window.setRootViewController(guide);
    harness.runUntilIdle();
    EXPECT_EQ(log,
        (std::vector<std::string> {
            "home willDisappear", "guide willAppear", "home didDisappear", "guide didAppear" }));
}

TEST_F(ControllerTest, PushOnAHiddenTabWaitsForTheTabToBeChosen)
{
    auto first = std::make_shared<Logged>("first");
    auto second = std::make_shared<Logged>("second");
    auto nav2 = std::make_shared<NavigationController>(second);
    auto tabs = std::make_shared<kit::TabBarController>();
    tabs->setViewControllers({ std::make_shared<NavigationController>(first), nav2 });
    harness.show(tabs);
    log.clear();

    auto pushed = std::make_shared<Logged>("pushed");
    nav2->pushViewController(pushed, true);
    harness.runUntilIdle();
    EXPECT_TRUE(log.empty());

    tabs->setSelectedIndex(1);
    harness.runUntilIdle();
    EXPECT_EQ(log,
        (std::vector<std::string> { "pushed load", "first willDisappear", "pushed willAppear",
            "first didDisappear", "pushed didAppear" }));
}

TEST_F(ControllerTest, BarOffersABackButtonOnlyWhenTheScreenHasNoLeftItems)
{
    auto nav = showStack();
    root->setTitle("收款");
    auto scanner = std::make_shared<Logged>("scanner");
    nav->pushViewController(scanner, true);
    harness.runUntilIdle();
    auto bar = nav->navigationBar();
    ASSERT_NE(bar->backButton(), nullptr);
    EXPECT_EQ(bar->backButton()->currentTitle(), "收款");
    // Laying the bar out again keeps its views and does not mark it again.
    auto back = bar->backButton();
    bar->setNeedsLayout();
    harness.runUntilIdle();
    EXPECT_FALSE(bar->needsLayout());
    EXPECT_EQ(bar->backButton(), back);
    EXPECT_TRUE(harness.tap(*bar->backButton()));
    EXPECT_EQ(nav->topViewController(), root);
    EXPECT_EQ(bar->backButton(), nullptr);
    EXPECT_EQ(back->superview(), nullptr);

    auto custom = std::make_shared<Logged>("custom");
    auto right = std::make_shared<kit::View>(Rect(0, 0, 40, 30));
    custom->navigationItem()->setRightBarButtonItems(
        { kit::BarButtonItem::fixedSpace(-5), std::make_shared<kit::BarButtonItem>(right) });
    auto logo = std::make_shared<kit::View>(Rect(0, 0, 120, 30));
    custom->navigationItem()->setTitleView(logo);
    custom->navigationItem()->setHidesBackButton(true);
    nav->pushViewController(custom, true);
    harness.runUntilIdle();
    EXPECT_EQ(bar->backButton(), nullptr);
    EXPECT_EQ(right->frame(), Rect(320 - kit::NavigationBar::edgeMargin + 5 - 40, 27, 40, 30));
    EXPECT_EQ(logo->frame(), Rect(100, 27, 120, 30));
    EXPECT_EQ(bar->titleLabel(), nullptr);
    EXPECT_FALSE(bar->needsLayout());
}

TEST_F(ControllerTest, RegistryBuildsByNameAndWakesViews)
{
    struct Cell : kit::View {
        bool awoken = false;
        void awakeFromNib() override { awoken = true; }
    };
    auto& registry = kit::Registry::shared();
    registry.registerController("Main", [] { return std::make_shared<Logged>("main"); });
    registry.registerView("billCell", [] { return std::make_shared<Cell>(); });

    EXPECT_NE(registry.instantiate<Logged>("Main"), nullptr);
    EXPECT_NE(registry.instantiate("Main"), registry.instantiate("Main"));
    EXPECT_EQ(registry.instantiate<kit::TabBarController>("Main"), nullptr);
    EXPECT_EQ(registry.instantiate("Missing"), nullptr);
    auto cell = std::dynamic_pointer_cast<Cell>(registry.instantiateView("billCell"));
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->awoken);
}

TEST_F(ControllerTest, BackgroundTasksFromManyThreadsGetDistinctIdentifiersAndAllEnd)
{
    using Task = kit::Application::BackgroundTaskIdentifier;
    constexpr int threads = 4;
    constexpr int perThread = 400;
    std::vector<std::vector<Task>> kept(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&kept, t] {
            for (int i = 0; i < perThread; ++i) {
                auto* app = kit::Application::sharedApplication();
                Task id = app->beginBackgroundTask([] {});
                // Half end at once, racing the other threads' begins.
                if (i % 2)
                    app->endBackgroundTask(id);
                kept[static_cast<std::size_t>(t)].push_back(id);
            }
        });
    }
    for (auto& worker : workers)
        worker.join();

    auto* app = kit::Application::sharedApplication();
    std::set<Task> distinct;
    for (const auto& ids : kept)
        distinct.insert(ids.begin(), ids.end());
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(threads * perThread));
    EXPECT_FALSE(distinct.contains(kit::Application::invalidBackgroundTask));
    EXPECT_EQ(app->backgroundTaskCount(), static_cast<std::size_t>(threads * perThread / 2));
    // Ending every one, half of them again, and one never begun, leaves none.
    for (Task id : distinct)
        app->endBackgroundTask(id);
    app->endBackgroundTask(*distinct.rbegin() + 1);
    EXPECT_EQ(app->backgroundTaskCount(), 0u);
}

TEST_F(ControllerTest, TerminationTellsTheDelegateThenTheObservers)
{
    struct Delegate : kit::ApplicationDelegate {
        void applicationWillTerminate(kit::Application&) override { g_log->push_back("delegate"); }
    };
    kit::Application::launch(std::make_shared<Delegate>());
    auto observer = foundation::NotificationCenter::defaultCenter().addObserverForName(
        kit::Application::willTerminateNotification, nullptr,
        [&](const foundation::Notification&) { log.push_back("observer"); });
    kit::Application::terminate();
    EXPECT_EQ(log, (std::vector<std::string> { "delegate", "observer" }));
    EXPECT_EQ(kit::Application::sharedApplication(), nullptr);
}

TEST_F(ControllerTest, BackgroundAndForegroundAreToldOncePerChangeWithTheStateOfEachStep)
{
    struct Delegate : kit::ApplicationDelegate {
        void note(kit::Application& app, const char* what)
        {
            g_log->push_back(std::string(what) + " " + std::to_string(static_cast<int>(app.applicationState())));
        }
        void applicationWillResignActive(kit::Application& app) override { note(app, "resign"); }
        void applicationDidEnterBackground(kit::Application& app) override { note(app, "background"); }
        void applicationWillEnterForeground(kit::Application& app) override { note(app, "enter"); }
        void applicationDidBecomeActive(kit::Application& app) override { note(app, "active"); }
    };
    auto& app = kit::Application::launch(std::make_shared<Delegate>());
    auto& center = foundation::NotificationCenter::defaultCenter();
    auto entered = center.addObserverForName(kit::Application::didEnterBackgroundNotification, nullptr,
        [&](const foundation::Notification&) { log.push_back("posted background"); });
    auto left = center.addObserverForName(kit::Application::willEnterForegroundNotification, nullptr,
        [&](const foundation::Notification&) { log.push_back("posted foreground"); });
    EXPECT_EQ(app.applicationState(), kit::ApplicationState::Active);

    // A window both unmapped and marked hidden reports twice: caches clean up once.
    app.enterBackground();
    app.enterBackground();
    EXPECT_EQ(app.applicationState(), kit::ApplicationState::Background);
    app.enterForeground();
    app.enterForeground();
    EXPECT_EQ(app.applicationState(), kit::ApplicationState::Active);
    EXPECT_EQ(log,
        (std::vector<std::string> { "resign 0", "background 2", "posted background", "enter 1",
            "posted foreground", "active 0" }));
}

TEST_F(ControllerTest, PresentedNoticesReachTheObserversThenThePresenterOnly)
{
    auto& app = kit::Application::launch(nullptr);
    std::vector<std::string> presented;
    app.setLocalNotificationPresenter(
        [&](const kit::LocalNotification& shown) { presented.push_back(shown.alertBody().value_or("")); });
    auto watching = kit::Application::observeLocalNotifications(
        [&](const kit::LocalNotification& shown) { log.push_back("seen " + shown.alertBody().value_or("")); });
    kit::LocalNotification notice;
    notice.setAlertBody("请求失败");
    app.presentLocalNotificationNow(notice);
    watching.reset();
    app.presentLocalNotificationNow(notice);
    EXPECT_EQ(log, (std::vector<std::string> { "seen 请求失败" }));
    EXPECT_EQ(presented, (std::vector<std::string> { "请求失败", "请求失败" }));
}
