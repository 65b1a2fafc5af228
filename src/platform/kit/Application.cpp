#include "platform/kit/Application.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/kit/Window.h"

namespace kit {

namespace {

std::unique_ptr<Application>& current()
{
    static std::unique_ptr<Application> app;
    return app;
}

} // namespace

Application::Application(Private, std::shared_ptr<ApplicationDelegate> delegate)
    : m_delegate(std::move(delegate))
{
}

Application* Application::sharedApplication()
{
    return current().get();
}

Application& Application::launch(
    std::shared_ptr<ApplicationDelegate> delegate, const ApplicationDelegate::LaunchOptions& options)
{
    current() = std::make_unique<Application>(Private {}, std::move(delegate));
    Application& app = *current();
    if (app.m_delegate)
        app.m_delegate->applicationDidFinishLaunchingWithOptions(app, options);
    return app;
}

void Application::terminate()
{
    auto& app = current();
    if (!app)
        return;
    // The delegate may look the application up while it is told.
    if (auto delegate = app->m_delegate)
        delegate->applicationWillTerminate(*app);
    foundation::NotificationCenter::defaultCenter().postNotificationName(willTerminateNotification);
    app.reset();
}

void Application::enterBackground()
{
    if (auto delegate = m_delegate) {
        delegate->applicationWillResignActive(*this);
        delegate->applicationDidEnterBackground(*this);
    }
    foundation::NotificationCenter::defaultCenter().postNotificationName(didEnterBackgroundNotification);
}

void Application::enterForeground()
{
    if (auto delegate = m_delegate)
        delegate->applicationWillEnterForeground(*this);
    foundation::NotificationCenter::defaultCenter().postNotificationName(willEnterForegroundNotification);
    if (auto delegate = m_delegate)
        delegate->applicationDidBecomeActive(*this);
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
    BackgroundTaskIdentifier id = m_nextBackgroundTask++;
    m_backgroundTasks.emplace(id, std::move(expirationHandler));
    return id;
}

void Application::endBackgroundTask(BackgroundTaskIdentifier identifier)
{
    m_backgroundTasks.erase(identifier);
}

int applicationMain(int, char**, const std::function<std::shared_ptr<ApplicationDelegate>()>& makeDelegate)
{
    Application::launch(makeDelegate ? makeDelegate() : nullptr);
    foundation::RunLoop::main().run();
    Application::terminate();
    return 0;
}

} // namespace kit
