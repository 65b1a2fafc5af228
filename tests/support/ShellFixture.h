#pragma once

#include "app/AppDelegate.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Subscription.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/View.h"
#include "server/MerchantBackend.h"
#include "support/ScreenTest.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {
class TabBarController;
}
namespace net {
class FakeNetworkStateSource;
class FakeTransport;
} // namespace net

// The app launched as the program launches it, talking to the stand-in back
// end in process over a scripted transport on the harness's virtual clock.
// The back end keeps that time too, so "today" is one day for both.
class ShellFixture : public support::ScreenTest {
protected:
    ShellFixture();
    ~ShellFixture() override;

    // A fresh process start: the old application ends, a new delegate launches.
    std::shared_ptr<AppDelegate> launch();
    // Launched past the guide with the collection screens registered. The
    // home tabs then live in the harness's window, so its finders and taps
    // reach them.
    void launchHome();
    enum class Staff { Owner, Cashier };
    // The home, with both demo key pairs, every wallet on and `staff` signed in.
    void launchSignedIn(Staff staff = Staff::Owner);
    // What sign-in stores for the demo owner or cashier.
    void signIn(Staff staff);
    const std::shared_ptr<AppDelegate>& app() const { return m_app; }

    std::shared_ptr<kit::TabBarController> tabs() const;
    void selectTab(int index);
    // The selected tab's stack and the screen on top of it (or the root
    // screen when there are no tabs yet).
    std::shared_ptr<kit::NavigationController> stack() const;
    std::shared_ptr<kit::ViewController> top() const;
    template<class T> std::shared_ptr<T> top() const { return std::dynamic_pointer_cast<T>(top()); }
    // How many screens of the class the selected tab's stack holds.
    template<class T> long stacked() const
    {
        const auto& screens = stack()->viewControllers();
        return std::count_if(screens.begin(), screens.end(),
            [](const auto& screen) { return std::dynamic_pointer_cast<T>(screen) != nullptr; });
    }
    // Pushed as the app pushes its screens, and settled.
    void push(const std::shared_ptr<kit::ViewController>& screen);
    void pressBack();
    void settle() { harness.runUntilIdle(); }
    // Lets the worker queue finish (the re-payment reads its picture there),
    // turning the main loop meanwhile, then settles.
    void settleWorkers();

    void setSetting(std::string_view key, const std::string& value);
    std::optional<std::string> setting(std::string_view key) const;
    void useDemoCollectionKeys();

    // These drive the app's own window, which is the harness's only after
    // launchSignedIn.
    std::shared_ptr<kit::View> find(const std::string& name) const;
    bool tap(kit::View& view);
    bool tap(const std::string& name);
    // Whether a shown label (the overlay's too) reads `text`.
    bool shows(const std::string& text) const;

    std::vector<std::string> pathsRequested() const;
    // The requests the back end received on this path, in order.
    std::vector<merchant::LoggedRequest> requestsTo(std::string_view path) const;
    std::size_t count(std::string_view path) const { return requestsTo(path).size(); }
    // A parameter of a logged request, or "<absent>".
    static std::string sent(const merchant::LoggedRequest& entry, const char* key);
    // Replies on the path (a prefix when it ends in "*") come delayMs late:
    // the next `times` of them, or every one when `times` is 0.
    void slowReplies(std::string_view path, int delayMs, int times = 1);
    // One request of the path (every path when empty) meets the fault.
    void failOnce(merchant::FaultKind kind, const std::string& path = {}, const std::string& info = {});
    // Image paths answer with bytes that are no picture.
    void serveBrokenImages() { *m_brokenImages = true; }
    // A seeded order of the day by wallet and state (first match).
    foundation::Json seededOrder(const std::string& wallet, const std::string& paystatus,
        const std::string& isRefund, const std::string& paytype = {});

    // How many orders the app follows without their screen (the till's
    // ledger holds them as left waiting).
    std::size_t followedAfterLeaving() const;

    // The toasts shown since the last call.
    std::vector<std::string> takeToasts() { return std::exchange(m_toasts, {}); }

    std::shared_ptr<merchant::MerchantBackend> m_backend;
    std::shared_ptr<net::FakeTransport> m_transport;
    std::shared_ptr<net::FakeNetworkStateSource> m_network;
    std::vector<std::string> m_toasts;

private:
    // The selected tab, or the window's root when it has no tabs.
    std::shared_ptr<kit::ViewController> selectedRoot() const;

    std::shared_ptr<AppDelegate> m_app;
    std::shared_ptr<bool> m_brokenImages = std::make_shared<bool>(false);
    foundation::Subscription m_toastWatch;
};
