#pragma once

#include "platform/foundation/Subscription.h"
#include "platform/kit/Responder.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kit {

class Application;
class DesktopNotificationService;
class LocalNotification;
class Window;

// What the program plugs into the application: it is told the application
// has launched and owns the window.
class ApplicationDelegate : public Responder {
public:
    using LaunchOptions = std::map<std::string, std::string>;

    virtual bool applicationDidFinishLaunchingWithOptions(Application&, const LaunchOptions&) { return true; }
    virtual void applicationWillResignActive(Application&) { }
    virtual void applicationDidEnterBackground(Application&) { }
    virtual void applicationWillEnterForeground(Application&) { }
    virtual void applicationDidBecomeActive(Application&) { }
    virtual void applicationWillTerminate(Application&) { }
    // Portrait only (the phone toolkit's mask 2) unless a delegate says otherwise.
    virtual unsigned applicationSupportedInterfaceOrientationsForWindow(Application&, Window*) { return 2; }
};

enum class ApplicationState { Active = 0, Inactive = 1, Background = 2 };

// The one application object of the process. It exists only once started
// (unit tests of plain logic run without one, and code that needs it must
// cope with its absence).
class Application : public Responder {
public:
    using BackgroundTaskIdentifier = unsigned long;
    static constexpr BackgroundTaskIdentifier invalidBackgroundTask = 0;
    static constexpr int portraitOrientation = 1;

    // The running application, or null. Safe to read from any thread; the
    // application itself is made and dropped on the main thread, so a worker
    // must not outlive it.
    static Application* sharedApplication();
    // Makes the application with `delegate` and tells the delegate it has
    // launched. Replaces any previous application (tests start one each).
    static Application& launch(std::shared_ptr<ApplicationDelegate> delegate,
        const ApplicationDelegate::LaunchOptions& options = {});
    // Tells the delegate and the notification observers that the
    // application ends, then drops it.
    static void terminate();

    // Posted through the default notification centre; caches listen for
    // them to trim and clean up.
    static constexpr const char* didEnterBackgroundNotification = "ApplicationDidEnterBackground";
    static constexpr const char* willEnterForegroundNotification = "ApplicationWillEnterForeground";
    static constexpr const char* willTerminateNotification = "ApplicationWillTerminate";
    static constexpr const char* didReceiveMemoryWarningNotification = "ApplicationDidReceiveMemoryWarning";
    // Observed by some views; the screen never turns, so it is never posted.
    static constexpr const char* didChangeStatusBarOrientationNotification
        = "ApplicationDidChangeStatusBarOrientation";

    // The shell reports these: a desktop window iconified or hidden is the
    // background, shown again the foreground; a script says so itself. The
    // delegate and the notification observers are told once per change (a
    // second report of the same state changes nothing). Main thread.
    void enterBackground();
    void enterForeground();
    void receiveMemoryWarning();

    std::shared_ptr<ApplicationDelegate> delegate() const { return m_delegate; }
    std::vector<std::shared_ptr<Window>> windows() const;
    std::shared_ptr<Window> keyWindow() const;
    // Any thread.
    ApplicationState applicationState() const { return m_applicationState.load(std::memory_order_acquire); }
    int statusBarOrientation() const { return portraitOrientation; }

    bool isNetworkActivityIndicatorVisible() const { return m_networkActivityIndicatorVisible; }
    void setNetworkActivityIndicatorVisible(bool visible) { m_networkActivityIndicatorVisible = visible; }

    // Background time is unlimited here: tasks never expire, and ending one
    // twice, or an unknown one, does nothing. Network work begins and ends
    // them from its own threads, so these three may be called from any.
    BackgroundTaskIdentifier beginBackgroundTask(std::function<void()> expirationHandler);
    void endBackgroundTask(BackgroundTaskIdentifier identifier);
    std::size_t backgroundTaskCount() const;

    // Puts the notice in front of the user at once, through the desktop's
    // notification service unless a presenter was set; observers hear of it
    // first. Returns without waiting for the desktop. Main thread.
    void presentLocalNotificationNow(const LocalNotification& notification);
    using LocalNotificationPresenter = std::function<void(const LocalNotification&)>;
    // Another way to present them (a test's); nullptr for the desktop's again.
    void setLocalNotificationPresenter(LocalNotificationPresenter presenter);
    // Every notice presented by any application from now on.
    [[nodiscard]] static foundation::Subscription observeLocalNotifications(LocalNotificationPresenter observer);

    Responder* nextResponder() const override { return m_delegate.get(); }

    // Only launch() makes one.
    struct Private { };
    Application(Private, std::shared_ptr<ApplicationDelegate> delegate);
    ~Application() override;

private:
    std::shared_ptr<ApplicationDelegate> m_delegate;
    std::atomic<ApplicationState> m_applicationState { ApplicationState::Active };
    LocalNotificationPresenter m_localNotificationPresenter;
    std::unique_ptr<DesktopNotificationService> m_desktopNotifications;
    bool m_networkActivityIndicatorVisible = false;
    mutable std::mutex m_backgroundTasksMutex;
    BackgroundTaskIdentifier m_nextBackgroundTask = 1;
    std::map<BackgroundTaskIdentifier, std::function<void()>> m_backgroundTasks;
};

// The program's entry: launches the application with the delegate that
// `makeDelegate` builds, then runs the main loop until it is told to quit,
// and returns the process's exit status.
int applicationMain(
    int argc, char** argv, const std::function<std::shared_ptr<ApplicationDelegate>()>& makeDelegate);

} // namespace kit
