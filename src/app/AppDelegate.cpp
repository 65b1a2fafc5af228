#include "app/AppDelegate.h"

#include "api/Constants.h"
#include "app/AppSignedClientUi.h"
#include "app/GuideViewController.h"
#include "app/HomeViewController.h"
#include "app/MainStoryboard.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TabBar.h"
#include "platform/kit/TabBarController.h"
#include "platform/kit/TabBarItem.h"
#include "platform/kit/Window.h"
#include "till/TillLedger.h"
#include "till/TillLedgerFile.h"
#include "till/TillWatcher.h"
#include "ui/BaseViewController.h"
#include "ui/PromptUtil.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

std::shared_ptr<AppDelegate> AppDelegate::shared()
{
    auto* application = kit::Application::sharedApplication();
    return application ? std::dynamic_pointer_cast<AppDelegate>(application->delegate()) : nullptr;
}

namespace {

AppDelegate::TillWatcherFactory& tillWatcherFactory()
{
    static foundation::NeverDestroyed<AppDelegate::TillWatcherFactory> factory;
    return *factory;
}

} // namespace

AppDelegate::~AppDelegate() = default;

void AppDelegate::setTillWatcherFactory(TillWatcherFactory factory)
{
    tillWatcherFactory() = std::move(factory);
}

void AppDelegate::openTill()
{
    m_tillLedger = std::make_shared<TillLedger>();
    m_tillFile = std::make_shared<TillLedgerFile>(TillLedgerFile::standardFile());
    auto loaded = m_tillFile->load(*m_tillLedger, foundation::Clock::current()->now());
    // Every change goes to the home at once: a hold must outlive a kill.
    m_tillSaving
        = m_tillLedger->observe([ledger = std::weak_ptr<TillLedger>(m_tillLedger), file = m_tillFile] {
              auto strong = ledger.lock();
              if (!strong)
                  return;
              if (auto saved = file->save(*strong); saved.isError())
                  std::fprintf(stderr, "till: %s\n", saved.error().message().c_str());
          });
    // Written back at once as this start reads it, so that the next start
    // finds the same: a damaged record's hold, and an order its screen
    // followed when the app was killed left waiting from now, not from each
    // later start, whose following would then never reach its end.
    std::error_code error;
    if (loaded.damaged || std::filesystem::exists(m_tillFile->file(), error))
        (void)m_tillFile->save(*m_tillLedger);
    if (loaded.damaged)
        foundation::DispatchQueue::main()->async([] { PromptUtil::toast(tillDamagedText); });
    if (tillWatcherFactory())
        m_tillWatcher = tillWatcherFactory()(m_tillLedger);
}

bool AppDelegate::applicationDidFinishLaunchingWithOptions(kit::Application&, const LaunchOptions&)
{
    auto& storyboard = kit::Registry::shared();
    if (!storyboard.hasController(std::string(MainStoryboard::name)))
        MainStoryboard::registerScreens();
    m_window = std::make_shared<kit::Window>(kit::Screen::mainScreen().bounds());
    auto firstLaunch = foundation::UserDefaults::standard().stringForKey(IS_FIRST_LAUNCH);
    m_window->setBackgroundColor(graphics::Color::white());
    m_homeViewController = storyboard.instantiate<HomeViewController>(std::string(MainStoryboard::name));
    if (!m_homeViewController)
        m_homeViewController = std::make_shared<HomeViewController>();
    if (firstLaunch && !firstLaunch->empty())
        m_window->setRootViewController(m_homeViewController);
    else
        m_window->setRootViewController(std::make_shared<GuideViewController>());
    m_window->makeKeyAndVisible();
    kit::TabBarItem::setAppearanceTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    applyTabBarItems();
    m_userDefaults = &foundation::UserDefaults::standard();
    m_isPaySuccessBack = false;

    // The screens and the signed client reach this delegate only through
    // the running application, so the hooks hold it weakly.
    std::weak_ptr<AppDelegate> weak = shared_from_this();
    BaseViewController::setAppearanceObserver([weak](const std::shared_ptr<BaseViewController>& screen) {
        if (auto strong = weak.lock())
            strong->setCurrentController(screen);
    });
    SignedClientUi::install(std::make_shared<AppSignedClientUi>());

    openTill();
    // Once the home is up: orders left waiting are followed again, and
    // results still due open over it.
    if (m_tillWatcher) {
        foundation::DispatchQueue::main()->async([watcher = std::weak_ptr<TillWatcher>(m_tillWatcher)] {
            if (auto strong = watcher.lock())
                strong->start();
        });
    }
    return true;
}

namespace {

// The root screen the person sees: the selected tab's, when there are tabs.
std::shared_ptr<kit::ViewController> shownRoot(const std::shared_ptr<kit::Window>& window)
{
    auto shown = window ? window->rootViewController() : nullptr;
    if (auto tabs = std::dynamic_pointer_cast<kit::TabBarController>(shown))
        shown = tabs->selectedViewController();
    return shown;
}

} // namespace

std::shared_ptr<kit::NavigationController> AppDelegate::shownNavigation() const
{
    return std::dynamic_pointer_cast<kit::NavigationController>(shownRoot(m_window));
}

std::shared_ptr<BaseViewController> AppDelegate::shownScreen() const
{
    auto shown = shownRoot(m_window);
    auto navigation = std::dynamic_pointer_cast<kit::NavigationController>(shown);
    if (!navigation)
        return std::dynamic_pointer_cast<BaseViewController>(shown);
    const auto& stack = navigation->viewControllers();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if (auto screen = std::dynamic_pointer_cast<BaseViewController>(*it))
            return screen;
    }
    return nullptr;
}

void AppDelegate::applyTabBarItems()
{
    auto original = [](std::string_view name) {
        auto image = graphics::Image::named(name);
        return image ? image->withRenderingMode(graphics::Image::RenderingMode::AlwaysOriginal) : nullptr;
    };
    const auto& tabs = m_homeViewController->viewControllers();
    std::vector<std::shared_ptr<kit::TabBarItem>> items;
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        auto item = tabs[i]->tabBarItem();
        if (i < MainStoryboard::tabs.size()) {
            const auto& tab = MainStoryboard::tabs[i];
            item->setTitle(std::string(tab.title));
            item->setImage(original(tab.image));
            item->setSelectedImage(original(tab.selectedImage));
        }
        items.push_back(item);
    }
    // The bar makes its buttons from the items when it is given them, so it
    // is given them again now that they are dressed.
    m_homeViewController->tabBar()->setItems(std::move(items));
}
