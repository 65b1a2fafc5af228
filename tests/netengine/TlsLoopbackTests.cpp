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
    }
    static void TearDownTestSuite()
    {
        if (s_server) {
            s_server->stop();
            s_thread.join();
            s_server.reset();
        }
        fs::remove_all(s_dir);
    }

    void SetUp() override { net::Transport::install(nullptr); }

    // The outcome of one GET of /who with these choices.
    std::string fetch(
        std::optional<std::string> certificate, std::optional<std::string> passphrase, bool trustServer)
    {
        auto engine = NetworkEngine::init();
        auto operation
            = engine->operationWithURLString("https://127.0.0.1:" + std::to_string(s_port) + "/who");
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
    support::ScreenHarness harness;
};

} // namespace

TEST_F(ClientCertificateTest, server_asking_for_a_certificate_gets_the_operations_own)
{
    auto const p12 = (s_dir / "client.p12").string();
    EXPECT_EQ(fetch(p12, "pw", true), "hello client");
    // Without it, or with a pass phrase that does not open it, the request fails.
    EXPECT_TRUE(fetch(std::nullopt, std::nullopt, true).starts_with("error "));
    EXPECT_TRUE(fetch(p12, "wrong", true).starts_with("error "));
    EXPECT_TRUE(fetch((s_dir / "missing.p12").string(), "pw", true).starts_with("error "));
}

TEST_F(ClientCertificateTest, untrusted_server_is_refused_unless_the_operation_says_otherwise)
{
    EXPECT_EQ(fetch((s_dir / "client.p12").string(), "pw", false),
        "error " + std::to_string(net::URLError::ServerCertificateUntrusted));
}
