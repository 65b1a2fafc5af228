#pragma once

#include "app/AppDelegate.h"
#include "platform/foundation/Subscription.h"
#include "platform/kit/View.h"
#include "server/MerchantBackend.h"
#include "support/ScreenHarness.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace net {
class FakeNetworkStateSource;
class FakeTransport;
} // namespace net

// The app launched as the program launches it, talking to the stand-in back
// end in process over a scripted transport on the virtual clock.
class ShellFixture : public ::testing::Test {
protected:
    ShellFixture();
    ~ShellFixture() override;

    // A fresh process start: the old application ends, a new delegate launches.
    std::shared_ptr<AppDelegate> launch();
    const std::shared_ptr<AppDelegate>& app() const { return m_app; }
    std::shared_ptr<kit::ViewController> topScreen() const;

    void setSetting(std::string_view key, const std::string& value);
    std::optional<std::string> setting(std::string_view key) const;
    void useDemoCollectionKeys();

    // The harness drives its own window; these drive the app's.
    std::shared_ptr<kit::View> find(const std::string& name) const;
    bool tap(kit::View& view);
    bool tap(const std::string& name);

    std::vector<std::string> pathsRequested() const;
    // The requests the back end received on this path, in order.
    std::vector<merchant::LoggedRequest> requestsTo(std::string_view path) const;
    // A parameter of a logged request, or "<absent>".
    static std::string sent(const merchant::LoggedRequest& entry, const char* key);
    // One request of the path is answered only after delayMs.
    void slowOnce(std::string_view path, int delayMs);
    // One request of the path (every path when empty) meets the fault.
    void failOnce(merchant::FaultKind kind, const std::string& path = {}, const std::string& info = {});

    support::ScreenHarness m_harness;
    std::shared_ptr<merchant::MerchantBackend> m_backend;
    std::shared_ptr<net::FakeTransport> m_transport;
    std::shared_ptr<net::FakeNetworkStateSource> m_network;
    std::vector<std::string> m_toasts;

private:
    std::shared_ptr<AppDelegate> m_app;
    foundation::Subscription m_toastWatch;
};
