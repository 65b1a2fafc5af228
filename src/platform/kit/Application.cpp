#include "platform/kit/Application.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/ObserverList.h"
#include "platform/foundation/RunLoop.h"
#include "platform/kit/DesktopNotificationService.h"
#include "platform/kit/LocalNotification.h"
#include "platform/kit/Window.h"

#include <atomic>

namespace kit {

namespace {

// The owner is touched only by launch and terminate on the main thread; other
// threads read the atomic copy of its pointer.
struct Current {
    std::unique_ptr<Application> owner;
    std::atomic<Application*> pointer { nullptr };
};

Current& current()
{
    static Current instance;
    return instance;
}

foundation::ObserverList<LocalNotification>& localNotificationObservers()
{
    static foundation::ObserverList<LocalNotification> observers;
    return observers;
}

} // namespace

Application::Application(Private, std::shared_ptr<ApplicationDelegate> delegate)
    : m_delegate(std::move(delegate))
{
}

Application::~Application() = default;

Application* Application::sharedApplication()
{
    return current().pointer.load(std::memory_order_acquire);
}

Application& Application::launch(
    std::shared_ptr<ApplicationDelegate> delegate, const ApplicationDelegate::LaunchOptions& options)
{
    auto& now = current();
    auto replaced = std::move(now.owner);
    now.owner = std::make_unique<Application>(Private {}, std::move(delegate));
    now.pointer.store(now.owner.get(), std::memory_order_release);
    replaced.reset();
    Application& app = *now.owner;
    if (app.m_delegate)
        app.m_delegate->applicationDidFinishLaunchingWithOptions(app, options);
    return app;
}

void Application::terminate()
{
    auto& app = current().owner;
    if (!app)
        return;
    // The delegate may look the application up while it is told.
    if (auto delegate = app->m_delegate)
        delegate->applicationWillTerminate(*app);
    foundation::NotificationCenter::defaultCenter().postNotificationName(willTerminateNotification);
    current().pointer.store(nullptr, std::memory_order_release);
    app.reset();
}

// The phone's order: resigning is told while still active, entering the
// background once in it; coming back is told on the way (inactive), becoming
// active once active.
void Application::enterBackground()
{
    if (applicationState() == ApplicationState::Background)
        return;
    auto delegate = m_delegate;
    if (delegate)
        delegate->applicationWillResignActive(*this);
    m_applicationState.store(ApplicationState::Background, std::memory_order_release);
    if (delegate)
        delegate->applicationDidEnterBackground(*this);
    foundation::NotificationCenter::defaultCenter().postNotificationName(didEnterBackgroundNotification);
}

void Application::enterForeground()
{
    if (applicationState() != ApplicationState::Background)
        return;
    auto delegate = m_delegate;
    m_applicationState.store(ApplicationState::Inactive, std::memory_order_release);
    if (delegate)
        delegate->applicationWillEnterForeground(*this);
    foundation::NotificationCenter::defaultCenter().postNotificationName(willEnterForegroundNotification);
    m_applicationState.store(ApplicationState::Active, std::memory_order_release);
    if (delegate)
        delegate->applicationDidBecomeActive(*this);
}

void Application::presentLocalNotificationNow(const LocalNotification& notification)
{
    localNotificationObservers().notify(notification);
    if (m_localNotificationPresenter) {
        m_localNotificationPresenter(notification);
        return;
    }
    if (!m_desktopNotifications)
        m_desktopNotifications = std::make_unique<DesktopNotificationService>();
    m_desktopNotifications->present(notification);
}

void Application::setLocalNotificationPresenter(LocalNotificationPresenter presenter)
{
    m_localNotificationPresenter = std::move(presenter);
}

foundation::Subscription Application::observeLocalNotifications(LocalNotificationPresenter observer)
{
    return localNotificationObservers().add(std::move(observer));
}

void Application::receiveMemoryWarning()
{
    foundation::NotificationCenter::defaultCenter().postNotificationName(didReceiveMemoryWarningNotification);
}

std::vector<std::shared_ptr<Window>> Application::windows() const
{
    return Window::allWindows();
}

std::shared_ptr<Window> Application::keyWindow() const
{
    return Window::keyWindow();
}

Application::BackgroundTaskIdentifier Application::beginBackgroundTask(
    std::function<void()> expirationHandler)
{
    std::lock_guard lock(m_backgroundTasksMutex);
    BackgroundTaskIdentifier id = m_nextBackgroundTask++;
    m_backgroundTasks.emplace(id, std::move(expirationHandler));
    return id;
}

void Application::endBackgroundTask(BackgroundTaskIdentifier identifier)
{
    std::map<BackgroundTaskIdentifier, std::function<void()>>::node_type ended;
    {
        std::lock_guard lock(m_backgroundTasksMutex);
        ended = m_backgroundTasks.extract(identifier);
    }
    // The handler is destroyed unlocked: what it captured may end tasks too.
}

std::size_t Application::backgroundTaskCount() const
{
    std::lock_guard lock(m_backgroundTasksMutex);
    return m_backgroundTasks.size();
}

int applicationMain(int, char**, const std::function<std::shared_ptr<ApplicationDelegate>()>& makeDelegate)
{
    Application::launch(makeDelegate ? makeDelegate() : nullptr);
    foundation::RunLoop::main().run();
    Application::terminate();
    return 0;
}

} // namespace kit
