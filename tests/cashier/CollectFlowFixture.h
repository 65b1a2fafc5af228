#pragma once

#include "app/AppDelegate.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Subscription.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "server/MerchantBackend.h"
#include "support/ScreenTest.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace net {
class FakeNetworkStateSource;
class FakeTransport;
} // namespace net

// The app as the program runs it, signed in on the demo merchant, with the
// stand-in back end in process on the harness's virtual clock. Screens are
// pushed onto the collect tab's stack, as the app opens them.
class CollectFlow : public support::ScreenTest {
protected:
    CollectFlow();
    ~CollectFlow() override;

    enum class Staff { Owner, Cashier };
    void signIn(Staff staff = Staff::Owner);

    const std::shared_ptr<kit::NavigationController>& stack() const { return m_stack; }
    std::shared_ptr<kit::ViewController> top() const { return m_stack->topViewController(); }
    template<class T> std::shared_ptr<T> top() const { return std::dynamic_pointer_cast<T>(top()); }
    // A screen by its registered name, pushed and settled.
    template<class T> std::shared_ptr<T> open(const std::string& name)
    {
        auto screen = std::dynamic_pointer_cast<T>(kit::Registry::shared().instantiate(name));
        if (screen)
            push(screen);
        return screen;
    }
    void push(const std::shared_ptr<kit::ViewController>& screen);
    void pressBack();
    void settle() { harness.runUntilIdle(); }
    // Lets the worker queue finish (the re-payment reads its picture there),
    // turning the main loop meanwhile, then settles.
    void settleWorkers();

    // What the back end received on a path, in order.
    std::vector<merchant::LoggedRequest> sent(const std::string& path) const;
    std::size_t count(const std::string& path) const { return sent(path).size(); }
    void clearLog() { m_backend->clearLog(); }
    // Replies on paths starting with `prefix` come after `seconds` (virtual).
    void delayReplies(const std::string& prefix, double seconds);
    // The next reply on the path meets the fault.
    void failOnce(merchant::FaultKind kind, const std::string& path, const std::string& info = {});
    // Image paths answer with bytes that are no picture.
    void serveBrokenImages() { m_brokenImages = true; }

    // Whether a shown label (the overlay's too) reads `text`.
    bool shows(const std::string& text) const
    {
        auto texts = harness.visibleTexts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    // The toasts shown since the last call.
    std::vector<std::string> takeToasts();

    // A seeded order of the day by wallet and state (first match).
    foundation::Json seededOrder(const std::string& wallet, const std::string& paystatus,
        const std::string& isRefund, const std::string& paytype = {});

    std::shared_ptr<merchant::MerchantBackend> m_backend;
    std::shared_ptr<net::FakeTransport> m_transport;
    std::shared_ptr<net::FakeNetworkStateSource> m_network;
    std::shared_ptr<AppDelegate> m_app;

private:
    std::shared_ptr<kit::NavigationController> m_stack;
    std::vector<std::pair<std::string, double>> m_delays;
    bool m_brokenImages = false;
    std::vector<std::string> m_toasts;
    foundation::Subscription m_toastWatch;
};
