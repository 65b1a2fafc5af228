#include "AppFuzzFrame.h"

#include "api/Constants.h"
#include "api/DesCipher.h"
#include "api/URLConfig.h"
#include "app/AppDelegate.h"
#include "cards/CardScreens.h"
#include "cashier/CashierScreens.h"
#include "main/ScriptRunner.h"
#include "main/Transcript.h"
#include "members/MemberScreens.h"
#include "netengine/NetworkEngine.h"
#include "platform/capture/CaptureDevice.h"
#include "platform/capture/MemoryFrameSource.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/FakeTextMeasurer.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Application.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Screen.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/FakeTransport.h"
#include "platform/net/NetworkState.h"
#include "till/TillLedgerFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

AppFuzzFrame& AppFuzzFrame::shared()
{
    static AppFuzzFrame frame;
    return frame;
}

AppFuzzFrame::AppFuzzFrame()
    : m_transport(std::make_shared<net::FakeTransport>())
    , m_camera(std::make_shared<capture::MemoryFrameSource>())
{
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-app-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    foundation::Paths::setHome(std::filesystem::path(pattern));
    graphics::TextMeasurer::setShared(std::make_shared<graphics::FakeTextMeasurer>());
    URLConfig::setApiHost("127.0.0.1:9");
    URLConfig::setAgentHost("127.0.0.1:9");
    URLConfig::setWebHost("127.0.0.1:9");
    net::NetworkState::setSource(std::make_shared<net::FakeNetworkStateSource>());
    net::NetworkState::setServiceHosts(
        { URLConfig::apiHost(), URLConfig::agentHost(), URLConfig::webHost() });
    capture::CaptureDevice::setVirtualDefaultDevice(
        capture::CaptureDevice::virtualDevice("Fuzz camera", m_camera));
    m_transport->setHandler([this](const net::URLRequest& request) {
        auto const path = net::FakeTransport::pathOf(request.url());
        auto encrypted = [&](const std::string& plain) {
            auto key = foundation::UserDefaults::standard().stringForKey(
                path.starts_with("/UserApi/") ? KEY_MEMBER_ENCRYPT : KEY_RECEIVABLE_ENCRYPT);
            return DesCipher::encode(plain, key);
        };
        for (auto const& [setupPath, plain] : m_setupReplies) {
            if (setupPath == path)
                return net::FakeTransport::Reply::status(200, encrypted(plain));
        }
        // The agent answers in plain text, so its handlers see the reply as sent.
        bool const plainAgent = path.starts_with("/Api/");
        return net::FakeTransport::Reply::status(
            m_status, m_encrypted && !plainAgent ? encrypted(m_reply) : m_reply);
    });
    net::Transport::install(m_transport);
}

void AppFuzzFrame::preferFlatSchedule(int* argc, char*** argv)
{
    static std::vector<char*> arguments;
    static std::string flat = "-entropic=0";
    arguments.assign(*argv, *argv + *argc);
    for (char* argument : arguments) {
        if (std::string_view(argument).starts_with("-entropic"))
            return;
    }
    // Flags go before the corpus folders; the list ends with a null as argv does.
    arguments.insert(arguments.begin() + (arguments.empty() ? 0 : 1), flat.data());
    arguments.push_back(nullptr);
    *argc = static_cast<int>(arguments.size() - 1);
    *argv = arguments.data();
}

void AppFuzzFrame::setReply(std::string text, bool encrypted, int status)
{
    m_reply = std::move(text);
    m_encrypted = encrypted;
    m_status = status;
}

void AppFuzzFrame::run(bool signedIn, const std::string& script,
    const std::vector<std::pair<std::string, std::string>>& setupReplies)
{
    m_setupReplies = setupReplies;
    foundation::RunLoop::main().useVirtualClock();
    // What a run saved (a sign-in's shop, a key, the till's ledger) must not
    // reach the next: an input's outcome depends on the input alone.
    std::error_code ignored;
    std::filesystem::remove(foundation::UserDefaults::standard().file(), ignored);
    std::filesystem::remove(TillLedgerFile::standardFile(), ignored);
    foundation::UserDefaults::resetStandard();
    auto& defaults = foundation::UserDefaults::standard();
    for (auto key : { KEY_RECEIVABLE, KEY_MEMBER })
        defaults.setObject(std::string("fuzz-key"), key);
    for (auto key : { KEY_RECEIVABLE_ENCRYPT, KEY_MEMBER_ENCRYPT })
        defaults.setObject(std::string("fuzzpass"), key);
    defaults.setObject(std::string(IS_FIRST_LAUNCH), IS_FIRST_LAUNCH);
    defaults.setObject(std::string(signedIn ? "boss" : ""), USER_NAME);
    if (signedIn) {
        defaults.setObject(std::string("2"), USER_JOB);
        for (auto wallet : { IS_ALI_PAY, IS_WX_PAY, IS_ENABLE_BD_PAY })
            defaults.setObject(std::string("1"), wallet);
    }
    kit::Screen::mainScreen().reset();
    CashierScreens::registerScreens();
    MemberScreens::registerScreens();
    CardScreens::registerScreens();
    kit::Application::launch(std::make_shared<AppDelegate>());

    // FUZZ_APP_TRANSCRIPT=1 shows what a run did: for checking that a driver reaches its screen.
    static bool const showTranscript = std::getenv("FUZZ_APP_TRANSCRIPT") != nullptr;
    Transcript transcript([](const std::string& line) {
        if (showTranscript)
            std::fprintf(stderr, "%s\n", line.c_str());
    });
    ScriptRunner::Environment environment { &transcript,
        [this] {
            return static_cast<int>(m_transport->pendingCount() + NetworkEngine::operationsNotYetSent());
        },
        m_camera };
    environment.virtualTime = true;
    environment.workersBusy = [] { return NetworkEngine::operationsNotYetSent() > 0; };
    environment.stopAtError = false;
    ScriptRunner runner(environment);
    std::istringstream lines(script);
    runner.run(lines);
    // A screen may still be reading on the worker queue (the re-payment's
    // picture): it must be done before the next run replaces the reply.
    foundation::DispatchQueue::global()->syncFlush();

    kit::AlertView::discardAll();
    kit::Application::terminate();
    foundation::RunLoop::main().reset();
    kit::Registry::shared().clear();
    m_transport->clearSentRequests();
}
