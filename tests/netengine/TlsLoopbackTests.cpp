#include "netengine/NetworkEngine.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/Transport.h"
#include "platform/net/URLError.h"
#include "support/ScreenHarness.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <httplib.h>
#include <thread>

namespace {

namespace fs = std::filesystem;

// A TLS server on loopback that only talks to clients whose certificate its
// own authority signed, with certificates made for the test by the openssl
// program.
class ClientCertificateTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("engine-tls-" + std::to_string(::getpid()));
        fs::create_directories(s_dir);
        auto const dir = s_dir.string();
        std::string const key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        std::string const script = "(cd '" + dir + "' && openssl req -x509" + key
            + " -keyout ca.key -out ca.crt -days 2 -subj /CN=EngineTestCA"
              " && openssl req"
            + key + " -keyout server.key -out server.csr -subj /CN=127.0.0.1"
            + " && printf 'subjectAltName=IP:127.0.0.1\\n' > san.ext"
              " && openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out server.crt"
              " -days 2 -extfile san.ext"
              " && openssl req"
            + key + " -keyout client.key -out client.csr -subj /CN=ann"
            + " && openssl x509 -req -in client.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out client.crt "
              "-days 2"
              " && openssl pkcs12 -export -inkey client.key -in client.crt -out client.p12 -passout pass:pw)"
              " > /dev/null 2>&1";
        ASSERT_EQ(std::system(script.c_str()), 0) << "the openssl program made no certificates";
        s_server = std::make_unique<httplib::SSLServer>(
            (s_dir / "server.crt").c_str(), (s_dir / "server.key").c_str(), (s_dir / "ca.crt").c_str());
        ASSERT_TRUE(s_server->is_valid());
        s_server->set_keep_alive_timeout(1);
        s_server->Get("/who", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("hello client", "text/plain");
        });
        s_port = s_server->bind_to_any_port("127.0.0.1");
        s_thread = std::thread([] { s_server->listen_after_bind(); });
        // One that never asks who the client is.
        s_open = std::make_unique<httplib::SSLServer>(
            (s_dir / "server.crt").c_str(), (s_dir / "server.key").c_str());
        ASSERT_TRUE(s_open->is_valid());
        s_open->set_keep_alive_timeout(1);
        s_open->Get("/who", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("hello anyone", "text/plain");
        });
        s_openPort = s_open->bind_to_any_port("127.0.0.1");
        s_openThread = std::thread([] { s_open->listen_after_bind(); });
    }
    static void TearDownTestSuite()
    {
        if (s_server) {
            s_server->stop();
            s_thread.join();
            s_server.reset();
        }
        if (s_open) {
            s_open->stop();
            s_openThread.join();
            s_open.reset();
        }
        fs::remove_all(s_dir);
    }

    void SetUp() override { net::Transport::install(nullptr); }

    // The outcome of one GET of /who with these choices.
    std::string fetch(std::optional<std::string> certificate, std::optional<std::string> passphrase,
        bool trustServer, int port = s_port)
    {
        auto engine = NetworkEngine::init();
        auto operation = engine->operationWithURLString("https://127.0.0.1:" + std::to_string(port) + "/who");
        operation->setClientCertificate(std::move(certificate));
        operation->setClientCertificatePassword(std::move(passphrase));
        operation->setShouldContinueWithInvalidCertificate(trustServer);
        std::optional<std::string> outcome;
        operation->addCompletionHandler(
            [&](const auto& done) { outcome = done->responseString().value_or(""); },
            [&](const auto&, const NetworkError& error) {
                outcome = "error " + std::to_string(error.code());
            });
        engine->enqueueOperation(operation);
        foundation::RunLoop::main().runUntil([&] { return outcome.has_value(); });
        return *outcome;
    }

    static inline fs::path s_dir;
    static inline std::unique_ptr<httplib::SSLServer> s_server;
    static inline std::thread s_thread;
    static inline int s_port = 0;
    static inline std::unique_ptr<httplib::SSLServer> s_open;
    static inline std::thread s_openThread;
    static inline int s_openPort = 0;
    support::ScreenHarness harness;
};

} // namespace

TEST_F(ClientCertificateTest, server_asking_for_a_certificate_gets_the_operations_own)
{
    auto const p12 = (s_dir / "client.p12").string();
    EXPECT_EQ(fetch(p12, "pw", true), "hello client");
    // Without one the request fails; one that cannot be read or opened fails it
    // as a challenge left unanswered.
    EXPECT_TRUE(fetch(std::nullopt, std::nullopt, true).starts_with("error "));
    auto const unanswered = "error " + std::to_string(net::URLError::UserCancelledAuthentication);
    EXPECT_EQ(fetch(p12, "wrong", true), unanswered);
    EXPECT_EQ(fetch((s_dir / "missing.p12").string(), "pw", true), unanswered);
}

TEST_F(ClientCertificateTest, certificate_file_is_read_only_when_a_server_asks_for_it)
{
    EXPECT_EQ(fetch((s_dir / "missing.p12").string(), "pw", true, s_openPort), "hello anyone");
    EXPECT_EQ(fetch((s_dir / "client.p12").string(), "wrong", true, s_openPort), "hello anyone");
    EXPECT_EQ(fetch((s_dir / "client.p12").string(), "pw", true, s_openPort), "hello anyone");
}

TEST_F(ClientCertificateTest, untrusted_server_is_refused_unless_the_operation_says_otherwise)
{
    EXPECT_EQ(fetch((s_dir / "client.p12").string(), "pw", false),
        "error " + std::to_string(net::URLError::ServerCertificateUntrusted));
}
