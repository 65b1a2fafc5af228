#include "platform/foundation/Clock.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/net/URLConnection.h"
#include "support/SelfSignedCertificate.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <memory>
#include <optional>
#include <thread>

using namespace net;

namespace {

struct Outcome {
    std::optional<HTTPURLResponse> response;
    std::optional<std::string> data;
    std::optional<URLError> error;
};

// An https server on 127.0.0.1 whose certificate no one vouches for. It keeps
// connections alive, so a connection that skipped the checks is there to be
// reused by a request that must not skip them.
class TlsLoopbackTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_certificate = std::make_unique<support::SelfSignedCertificate>();
        ASSERT_TRUE(s_certificate->isValid());
        s_server = std::make_unique<httplib::SSLServer>(
            s_certificate->certificatePath().c_str(), s_certificate->keyPath().c_str());
        ASSERT_TRUE(s_server->is_valid());
        // Bounds how long stopping waits for an idle kept-alive connection.
        s_server->set_keep_alive_timeout(1);
        s_server->Get("/ok",
            [](const httplib::Request&, httplib::Response& res) { res.set_content("hello", "text/plain"); });
        // The same server under another name is another origin.
        s_server->Get("/elsewhere", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("https://localhost:" + std::to_string(s_port) + "/ok", 302);
        });
        s_port = s_server->bind_to_any_port("127.0.0.1");
        s_thread = std::thread([] { s_server->listen_after_bind(); });
    }

    static void TearDownTestSuite()
    {
        if (s_server)
            s_server->stop();
        if (s_thread.joinable())
            s_thread.join();
        s_server.reset();
        s_certificate.reset();
    }

    void SetUp() override
    {
        foundation::Clock::install(nullptr);
        foundation::RunLoop::main().reset();
    }

    static Outcome get(const std::string& path, bool allowInvalidCertificates)
    {
        URLRequest request("https://127.0.0.1:" + std::to_string(s_port) + path);
        request.setAllowsInvalidCertificates(allowInvalidCertificates);
        auto outcome = std::make_shared<std::optional<Outcome>>();
        URLConnection::sendAsynchronousRequest(std::move(request), foundation::DispatchQueue::main(),
            [outcome](auto const& response, auto const& data, auto const& error) {
                *outcome = Outcome { response, data, error };
            });
        bool expired = false;
        auto deadline = foundation::Timer::scheduledTimer(5, false, [&] { expired = true; });
        foundation::RunLoop::main().runUntil([&] { return expired || outcome->has_value(); });
        deadline->invalidate();
        EXPECT_TRUE(outcome->has_value());
        return outcome->value_or(Outcome {});
    }

    static inline std::unique_ptr<support::SelfSignedCertificate> s_certificate;
    static inline std::unique_ptr<httplib::SSLServer> s_server;
    static inline std::thread s_thread;
    static inline int s_port { 0 };
};

} // namespace

TEST_F(TlsLoopbackTest, an_unvouched_certificate_is_accepted_only_by_the_request_that_allows_it)
{
    auto refused = get("/ok", false);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code(), URLError::ServerCertificateUntrusted);
    EXPECT_FALSE(refused.response);

    auto allowed = get("/ok", true);
    EXPECT_FALSE(allowed.error);
    EXPECT_EQ(allowed.data, "hello");

    // The connection that skipped the checks is still open; a checking request
    // must make its own and be refused again.
    auto checkedAgain = get("/ok", false);
    ASSERT_TRUE(checkedAgain.error);
    EXPECT_EQ(checkedAgain.error->code(), URLError::ServerCertificateUntrusted);
}

TEST_F(TlsLoopbackTest, a_redirect_to_another_origin_checks_that_servers_certificate)
{
    auto redirected = get("/elsewhere", true);
    ASSERT_TRUE(redirected.error);
    EXPECT_EQ(redirected.error->code(), URLError::ServerCertificateUntrusted);
}
