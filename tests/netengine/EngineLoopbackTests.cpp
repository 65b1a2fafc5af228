#include "EngineTestServer.h"
#include "netengine/AlertViewNetworkEngineAdditions.h"
#include "netengine/ImageViewNetworkEngineAdditions.h"
#include "netengine/NetworkEngineAdditions.h"
#include "netengine/NetworkEngine.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/foundation/OutputStream.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/VirtualClock.h"
#include "platform/graphics/Image.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Application.h"
#include "platform/kit/ImageView.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/NetworkState.h"
#include "platform/net/ReachabilityFlags.h"
#include "platform/net/Transport.h"
#include "platform/net/URLError.h"
#include "support/ScreenHarness.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace {

using Events = std::vector<std::string>;
using Json = foundation::Json;

class EngineTest : public testing::Test {
protected:
    static void SetUpTestSuite() { s_server = std::make_unique<EngineTestServer>(); }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        net::Transport::install(nullptr);
        engine = NetworkEngine::initWithHostName(s_server->host());
    }
    void TearDown() override
    {
        NetworkEngine::sharedOperationQueue()->setSuspended(false);
        settle();
        engine->emptyCache();
    }

    // Until every operation handed to an engine has finished and its
    // handlers have run; the main loop wakes for each of their steps.
    static void settle()
    {
        auto& loop = foundation::RunLoop::main();
        loop.runUntil([] { return NetworkEngine::pendingOperationCount() == 0; });
        loop.runUntilIdle();
    }

    // Handlers that note, in order, how the operation ended.
    NetworkOperation::Pointer recorded(NetworkOperation::Pointer operation, const std::string& label)
    {
        operation->addCompletionHandler(
            [this, label](const NetworkOperation::Pointer& done) {
                events.push_back(label + " " + done->responseString().value_or("(not text)"));
            },
            [this, label](const NetworkOperation::Pointer&, const NetworkError& error) {
                events.push_back(label + " error " + std::to_string(error.code()));
            });
        operation->onNotModified([this, label] { events.push_back(label + " not modified"); });
        return operation;
    }
    NetworkOperation::Pointer get(const std::string& path, const std::string& label)
    {
        return recorded(engine->operationWithPath(path), label);
    }

    // The network as the test says, and the fixture's engine made again under
    // it. The one made under the machine's own network must not outlive the
    // switch: its reachability would take the switch for a change of network
    // and, whenever that notice came, set the shared queue's width by its own
    // mode over the width the test is checking.
    std::shared_ptr<net::FakeNetworkStateSource> fakeNetwork(net::ReachabilityFlags flags)
    {
        engine.reset();
        auto network = std::make_shared<net::FakeNetworkStateSource>();
        network->setDefaultFlags(flags);
        net::NetworkState::setSource(network);
        engine = NetworkEngine::initWithHostName(s_server->host());
        return network;
    }
    // New flags, taken by the engine as the notice of a change would make it.
    static void changeNetwork(
        net::FakeNetworkStateSource& network, NetworkEngine& watcher, net::ReachabilityFlags flags)
    {
        network.setDefaultFlags(flags);
        watcher.reachabilityChanged();
    }

    static inline std::unique_ptr<EngineTestServer> s_server;
    support::ScreenHarness harness;
    std::shared_ptr<NetworkEngine> engine;
    Events events;
};

} // namespace

TEST(EngineUrls, PathsJoinHostPortApiPathAndPathOnce)
{
    auto engine = NetworkEngine::initWithHostName("h", 8080, "api", std::nullopt);
    EXPECT_EQ(engine->operationWithPath("x")->url(), "http://h:8080/api/x");
    EXPECT_EQ(engine->operationWithPath("/x")->url(), "http://h:8080/api/x");
    EXPECT_EQ(engine->operationWithPath("/")->url(), "http://h:8080/api");
    EXPECT_EQ(engine->operationWithPath("")->url(), "http://h:8080/api/");
    EXPECT_EQ(engine->operationWithPath("x", std::nullopt, "GET", true)->url(), "https://h:8080/api/x");
    EXPECT_EQ(engine->operationWithPath("q", Json { { "a", "1" } })->url(), "http://h:8080/api/q?a=1");
    EXPECT_EQ(NetworkEngine::init()->operationWithPath("x"), nullptr);
    EXPECT_EQ(engine->operationWithURLString("http://h/a b"), nullptr);
    EXPECT_EQ(engine->operationWithURLString("not a url"), nullptr);
}

TEST_F(EngineTest, post_sends_escaped_form_fields_with_charset_and_languages)
{
    auto operation = recorded(
        engine->operationWithPath("/echo", Json { { "pwd", "a&b=c 满" }, { "n", "1" } }, "POST"), "post");
    engine->enqueueOperation(operation);
    settle();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0],
        "post POST\napplication/x-www-form-urlencoded; charset=utf-8\n"
            + NetworkOperation::languagesFromLocale() + "\npwd=a%26b%3Dc%20%E6%BB%A1&n=1");
    EXPECT_TRUE(NetworkOperation::languagesFromLocale().ends_with(", en-us"));
}

TEST_F(EngineTest, every_status_reaches_exactly_one_kind_of_handler_and_frees_its_slot)
{
    for (int code : { 200, 304, 302, 404, 500, 600 })
        engine->enqueueOperation(get("/status?code=" + std::to_string(code), std::to_string(code)));
    settle();
    std::sort(events.begin(), events.end());
    EXPECT_EQ(events,
        (Events { "200 status", "302 error 302", "304 not modified", "404 error 404", "500 error 500",
            "600 error 600" }));
    EXPECT_EQ(NetworkEngine::sharedOperationQueue()->operationCount(), 0u);
}

TEST_F(EngineTest, equal_gets_share_one_request_and_run_every_handler_once)
{
    auto queue = NetworkEngine::sharedOperationQueue();
    int const before = s_server->hits("/text");
    queue->setSuspended(true);
    engine->enqueueOperation(get("/text", "first"));
    engine->enqueueOperation(get("/text", "second"));
    // Both enqueue steps are over once the second has joined the first.
    foundation::RunLoop::main().runUntil([&] { return NetworkEngine::pendingOperationCount() == 1; });
    queue->setSuspended(false);
    settle();
    EXPECT_EQ(events, (Events { "first hello", "second hello" }));
    EXPECT_EQ(s_server->hits("/text"), before + 1);

    // One that comes after the first has finished goes out on its own.
    engine->enqueueOperation(get("/text", "third"));
    settle();
    EXPECT_EQ(events.back(), "third hello");
    EXPECT_EQ(s_server->hits("/text"), before + 2);
}

TEST_F(EngineTest, not_modified_without_a_not_modified_handler_ends_through_the_error_handlers)
{
    auto plain = engine->operationWithPath("/status?code=304");
    plain->addCompletionHandler([this](const auto&) { events.push_back("plain done"); },
        [this](const auto&, const NetworkError& error) {
            events.push_back("plain error " + std::to_string(error.code()));
        });
    engine->enqueueOperation(plain);
    settle();
    EXPECT_EQ(events, (Events { "plain error 304" }));
    EXPECT_EQ(NetworkEngine::sharedOperationQueue()->operationCount(), 0u);

    // A caller answered from the cache first has heard all there is.
    engine->useCache();
    engine->enqueueOperation(get("/versioned", "fetch"));
    settle();
    engine->saveCache();
    harness.clock()->advance(120);
    auto stale = engine->operationWithPath("/versioned");
    stale->addCompletionHandler(
        [this](const auto& done) { events.push_back("stale " + done->responseString().value_or("")); },
        [this](const auto&, const NetworkError& error) {
            events.push_back("stale error " + std::to_string(error.code()));
        });
    engine->enqueueOperation(stale);
    settle();
    EXPECT_EQ(events, (Events { "plain error 304", "fetch v1", "stale v1" }));
}

TEST_F(EngineTest, cancelling_one_of_two_merged_gets_leaves_the_other_its_one_completion)
{
    auto queue = NetworkEngine::sharedOperationQueue();
    auto joined = [] { return NetworkEngine::pendingOperationCount() == 1; };
    // Waiting in the queue: either caller cancels.
    for (bool firstCancels : { true, false }) {
        events.clear();
        int const before = s_server->hits("/text");
        queue->setSuspended(true);
        auto first = get("/text", "first");
        auto second = get("/text", "second");
        engine->enqueueOperation(first);
        engine->enqueueOperation(second);
        foundation::RunLoop::main().runUntil(joined);
        (firstCancels ? first : second)->cancel();
        queue->setSuspended(false);
        settle();
        EXPECT_EQ(events, (Events { firstCancels ? "second hello" : "first hello" })) << firstCancels;
        EXPECT_EQ(s_server->hits("/text"), before + 1);
    }

    // Already at the server when the first caller gives up.
    events.clear();
    int const trickled = s_server->hits("/trickle");
    auto first = get("/trickle?chunks=3&every=150", "first");
    engine->enqueueOperation(first);
    s_server->waitForHit("/trickle", trickled);
    auto second = get("/trickle?chunks=3&every=150", "second");
    engine->enqueueOperation(second);
    foundation::RunLoop::main().runUntil(joined);
    foundation::RunLoop::main().runUntilIdle();
    first->cancel();
    settle();
    EXPECT_EQ(events, (Events { "second xxx" }));
    EXPECT_EQ(s_server->hits("/trickle"), trickled + 1);

    // When every caller has cancelled, so is the request.
    queue->setSuspended(true);
    auto third = get("/text", "third");
    auto fourth = get("/text", "fourth");
    engine->enqueueOperation(third);
    engine->enqueueOperation(fourth);
    foundation::RunLoop::main().runUntil(joined);
    foundation::RunLoop::main().runUntilIdle();
    fourth->cancel();
    third->cancel();
    EXPECT_TRUE(third->isCancelled());
    queue->setSuspended(false);
    settle();
    EXPECT_EQ(events, (Events { "second xxx" }));
}

TEST_F(EngineTest, equal_posts_both_go_out)
{
    int const before = s_server->hits("/echo");
    engine->enqueueOperation(
        recorded(engine->operationWithPath("/echo", Json { { "a", "1" } }, "POST"), "one"));
    engine->enqueueOperation(
        recorded(engine->operationWithPath("/echo", Json { { "a", "1" } }, "POST"), "two"));
    settle();
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(s_server->hits("/echo"), before + 2);
}

TEST_F(EngineTest, cached_get_is_served_until_it_expires_then_revalidated)
{
    engine->useCache();
    int const before = s_server->hits("/versioned");
    engine->enqueueOperation(get("/versioned", "fetch"));
    settle();
    engine->saveCache();
    EXPECT_EQ(events, (Events { "fetch v1" }));

    // Still fresh: the body comes from the cache and nothing goes out.
    engine->enqueueOperation(get("/versioned", "fresh"));
    settle();
    EXPECT_EQ(events.back(), "fresh v1");
    EXPECT_EQ(s_server->hits("/versioned"), before + 1);

    // Expired: the cached body first, then the request with its validator.
    harness.clock()->advance(120);
    engine->enqueueOperation(get("/versioned", "stale"));
    settle();
    EXPECT_EQ(events, (Events { "fetch v1", "fresh v1", "stale v1", "stale not modified" }));
    EXPECT_EQ(s_server->lastHeader("/versioned", "If-None-Match"), "\"v1\"");
}

TEST_F(EngineTest, an_answer_fetched_with_credentials_reaches_no_caller_with_other_credentials_or_none)
{
    engine->useCache();
    auto as = [this](const char* token, const std::string& label) {
        auto operation = get("/headers", label);
        if (token)
            operation->setAuthorizationHeaderValue(token, "Bearer");
        return operation;
    };
    engine->enqueueOperation(as("alice", "alice"));
    settle();
    engine->enqueueOperation(as("bob", "bob"));
    settle();
    engine->enqueueOperation(as(nullptr, "nobody"));
    settle();
    // Nor do two asking at once share one request.
    NetworkEngine::sharedOperationQueue()->setSuspended(true);
    engine->enqueueOperation(as("carol", "carol"));
    engine->enqueueOperation(as("dave", "dave"));
    NetworkEngine::sharedOperationQueue()->setSuspended(false);
    settle();
    std::sort(events.begin() + 3, events.end());
    EXPECT_EQ(events,
        (Events { "alice Bearer alice", "bob Bearer bob", "nobody none", "carol Bearer carol", "dave Bearer dave" }));
}

TEST_F(EngineTest, an_answer_marked_no_store_or_private_is_never_served_from_the_cache)
{
    engine->useCache();
    for (std::string control : { "no-store", "private, max-age=600" }) {
        events.clear();
        auto const path = "/uncacheable?control=" + NetworkEngineAdditions::ne_urlEncodedString(control);
        engine->enqueueOperation(get(path, "first"));
        settle();
        engine->saveCache();
        engine->enqueueOperation(get(path, "second"));
        settle();
        ASSERT_EQ(events.size(), 2u) << control;
        EXPECT_NE(events[1], "second " + events[0].substr(std::string("first ").size())) << control;
    }
    // An answer that may not be kept takes an earlier kept one with it.
    events.clear();
    engine->enqueueOperation(get("/versioned", "kept"));
    settle();
    auto const key = engine->operationWithPath("/versioned")->uniqueIdentifier();
    EXPECT_TRUE(engine->cache().headersForKey(key));
    auto replaced = engine->operationWithPath("/versioned");
    replaced->setHeader("Cache-Control", "no-store");
    engine->enqueueOperation(replaced, true);
    settle();
    engine->saveCache();
    EXPECT_FALSE(engine->cache().headersForKey(key));
    EXPECT_EQ(engine->cache().dataForKey(key), std::nullopt);
}

TEST_F(EngineTest, redirects_are_followed_and_credentials_never_leave_the_origin)
{
    engine->enqueueOperation(get("/redirect", "same"));
    auto away = get("/redirect-away", "away");
    away->setUsername(EngineTestServer::user, EngineTestServer::password, true);
    engine->enqueueOperation(away);
    settle();
    std::sort(events.begin(), events.end());
    EXPECT_EQ(events, (Events { "away none", "same hello" }));
    EXPECT_TRUE(s_server->lastHeader("/redirect-away", "Authorization").starts_with("Basic "));
}

TEST_F(EngineTest, challenges_are_answered_once_with_the_operations_credentials)
{
    for (std::string path : { "/basic", "/digest" }) {
        auto right = get(path, path + " right");
        right->setUsername(EngineTestServer::user, EngineTestServer::password);
        engine->enqueueOperation(right);
        settle();
        auto wrong = get(path, path + " wrong");
        wrong->setUsername(EngineTestServer::user, "guess");
        engine->enqueueOperation(wrong);
        settle();
    }
    EXPECT_EQ(events,
        (Events { "/basic right welcome", "/basic wrong error 401", "/digest right welcome",
            "/digest wrong error 401" }));

    // Without credentials the handler decides; giving up fails the request.
    std::optional<AuthenticationMethod> asked;
    auto refused = get("/digest", "refused");
    refused->setAuthHandler([&](const std::shared_ptr<AuthenticationChallenge>& challenge) {
        asked = challenge->authenticationMethod();
        challenge->cancel();
    });
    engine->enqueueOperation(refused);
    settle();
    EXPECT_EQ(asked, AuthenticationMethod::HTTPDigest);
    EXPECT_EQ(events.back(), "refused error -1012");

    // A handler that lets the challenge go unanswered must not hold its slot for ever.
    auto ignored = get("/basic", "ignored");
    ignored->setAuthHandler([](const std::shared_ptr<AuthenticationChallenge>&) {});
    engine->enqueueOperation(ignored);
    settle();
    EXPECT_EQ(events.back(), "ignored error 401");
}

TEST_F(EngineTest, cancelled_slow_operation_runs_no_handler_and_frees_its_slot)
{
    auto slow = get("/slow", "slow");
    engine->enqueueOperation(slow);
    s_server->waitForHit("/slow");
    slow->cancel();
    settle();
    EXPECT_TRUE(slow->isCancelled());
    EXPECT_EQ(slow->state(), NetworkOperation::StateFinished);
    EXPECT_EQ(NetworkEngine::sharedOperationQueue()->operationCount(), 0u);
    s_server->releaseSlow();
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(events.empty());
}

TEST_F(EngineTest, multipart_upload_reports_progress_and_arrives_whole)
{
    auto upload = recorded(engine->operationWithPath("/upload", Json { { "note", "x" } }, "POST"), "upload");
    upload->addData(std::string(200000, 'z'), "file", "application/octet-stream", "z.bin");
    double lastProgress = 0;
    upload->onUploadProgressChanged([&](double progress) { lastProgress = progress; });
    engine->enqueueOperation(upload);
    settle();
    EXPECT_EQ(events, (Events { "upload z.bin 200000" }));
    EXPECT_DOUBLE_EQ(lastProgress, 1.0);
    EXPECT_TRUE(s_server->lastHeader("/upload", "Content-Type")
                    .starts_with("multipart/form-data; charset=utf-8; boundary=Boundary-"));
}

TEST_F(EngineTest, download_stream_takes_the_body_instead_of_memory)
{
    auto stream = foundation::OutputStream::toMemory();
    auto streamed = get("/text", "streamed");
    streamed->addDownloadStream(stream);
    EXPECT_FALSE(streamed->isCacheable());
    engine->enqueueOperation(streamed);
    settle();
    EXPECT_EQ(stream->data(), "hello");
    EXPECT_FALSE(stream->isOpen());
    EXPECT_EQ(events, (Events { "streamed (not text)" }));
}

TEST_F(EngineTest, download_stream_takes_a_body_far_past_the_memory_cap_which_still_holds_for_memory)
{
    auto const file
        = std::filesystem::temp_directory_path() / ("engine-stream-" + std::to_string(::getpid()));
    std::uint64_t const size = std::uint64_t { 64 } << 20;
    auto streamed = get("/bytes?size=" + std::to_string(size), "streamed");
    streamed->addDownloadStream(foundation::OutputStream::toFile(file, false));
    double lastProgress = 0;
    streamed->onDownloadProgressChanged([&](double progress) { lastProgress = progress; });
    engine->enqueueOperation(streamed);
    settle();
    EXPECT_EQ(events, (Events { "streamed (not text)" }));
    EXPECT_EQ(streamed->downloadedDataSize(), size);
    EXPECT_DOUBLE_EQ(lastProgress, 1.0);
    ASSERT_EQ(std::filesystem::file_size(file), size);
    std::ifstream written(file, std::ios::binary);
    written.seekg(static_cast<std::streamoff>(size - 1));
    EXPECT_EQ(written.get(), static_cast<int>((size - 1) % 251));
    std::filesystem::remove(file);

    // The same body kept in memory is refused past the cap.
    events.clear();
    engine->enqueueOperation(get("/bytes?size=" + std::to_string(size), "memory"));
    settle();
    EXPECT_EQ(events, (Events { "memory error " + std::to_string(net::URLError::DataLengthExceedsMaximum) }));
}

TEST_F(EngineTest, transfer_that_keeps_moving_outlives_three_time_outs_and_silence_still_ends_one)
{
    // 14 bytes a tenth of a second apart: 1.4 s, past three times 0.4 s.
    auto moving = get("/trickle?chunks=14&every=100", "moving");
    moving->setTimeoutInterval(0.4);
    auto stalled = get("/trickle?chunks=3&every=1500", "stalled");
    stalled->setTimeoutInterval(0.4);
    engine->enqueueOperation(moving);
    engine->enqueueOperation(stalled);
    settle();
    std::sort(events.begin(), events.end());
    EXPECT_EQ(events,
        (Events { "moving xxxxxxxxxxxxxx", "stalled error " + std::to_string(net::URLError::TimedOut) }));
}

TEST_F(EngineTest, frozen_operation_tells_its_caller_and_goes_out_when_the_network_returns)
{
    auto network = fakeNetwork(0);
    auto const& offline = engine;
    offline->useCache();
    while (!network->isStarted())
        std::this_thread::yield();
    int const before = s_server->hits("/echo");

    NetworkEngine::sharedOperationQueue()->setSuspended(true);
    auto operation = recorded(offline->operationWithPath("/echo", Json { { "a", "1" } }, "POST"), "frozen");
    operation->setFreezable(true);
    offline->enqueueOperation(operation);
    foundation::RunLoop::main().runUntil([&] { return !events.empty(); });
    EXPECT_EQ(events, (Events { "frozen error -1009" }));
    auto frozenFiles = [&] {
        int count = 0;
        for (auto& entry : std::filesystem::directory_iterator(offline->cacheDirectoryName()))
            count += entry.path().extension() == ".networkenginefrozenoperation";
        return count;
    };
    EXPECT_EQ(frozenFiles(), 1);
    NetworkEngine::sharedOperationQueue()->setSuspended(false);
    settle();
    EXPECT_EQ(s_server->hits("/echo"), before);

    network->setDefaultFlags(net::kReachabilityFlagsReachable);
    network->triggerChange();
    foundation::RunLoop::main().runUntil([&] { return s_server->hits("/echo") > before; });
    settle();
    EXPECT_EQ(frozenFiles(), 0);
    EXPECT_EQ(events.size(), 1u) << "the restored request has no handlers to run";
    net::NetworkState::setSource(nullptr);
}

TEST_F(EngineTest, post_under_way_when_the_network_goes_is_neither_frozen_nor_sent_again)
{
    auto network = fakeNetwork(net::kReachabilityFlagsReachable);
    auto const& offline = engine;
    offline->useCache();
    int const before = s_server->hits("/held");

    auto operation = recorded(offline->operationWithPath("/held", Json { { "a", "1" } }, "POST"), "post");
    operation->setFreezable(true);
    offline->enqueueOperation(operation);
    s_server->waitForHit("/held");
    changeNetwork(*network, *offline, 0);
    s_server->releaseHeld();
    settle();
    EXPECT_EQ(events, (Events { "post held" }));

    changeNetwork(*network, *offline, net::kReachabilityFlagsReachable);
    settle();
    EXPECT_EQ(s_server->hits("/held"), before + 1) << "a request the server had went out again";
    for (auto& entry : std::filesystem::directory_iterator(offline->cacheDirectoryName()))
        EXPECT_NE(entry.path().extension(), ".networkenginefrozenoperation");
    net::NetworkState::setSource(nullptr);
}

TEST_F(EngineTest, shared_queue_width_follows_reachability_six_two_none_and_back)
{
    // One engine, so one mode decides the width whichever notice comes when.
    auto network = fakeNetwork(net::kReachabilityFlagsReachable);
    auto const& watcher = engine;
    auto queue = NetworkEngine::sharedOperationQueue();
    auto const cellular = net::kReachabilityFlagsReachable | net::kReachabilityFlagsIsWWAN;

    changeNetwork(*network, *watcher, cellular);
    EXPECT_EQ(queue->maxConcurrentOperationCount(), NetworkEngine::cellularWidth);
    // Wi-Fi only: nothing new starts on a cellular network.
    watcher->setWifiOnlyMode(true);
    changeNetwork(*network, *watcher, cellular);
    EXPECT_EQ(queue->maxConcurrentOperationCount(), 0);
    int const before = s_server->hits("/text");
    engine->enqueueOperation(get("/text", "waits"));
    foundation::RunLoop::main().runUntil([] { return NetworkEngine::pendingOperationCount() == 1; });
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_EQ(s_server->hits("/text"), before);
    // No network leaves the width as it was; Wi-Fi brings it back.
    changeNetwork(*network, *watcher, 0);
    EXPECT_EQ(queue->maxConcurrentOperationCount(), 0);
    changeNetwork(*network, *watcher, net::kReachabilityFlagsReachable);
    EXPECT_EQ(queue->maxConcurrentOperationCount(), NetworkEngine::wifiWidth);
    settle();
    EXPECT_EQ(events, (Events { "waits hello" }));
    net::NetworkState::setSource(nullptr);
}

TEST_F(EngineTest, retry_copy_goes_out_again_with_the_handlers_and_a_finished_copy_frees_its_slot)
{
    int const before = s_server->hits("/echo");
    auto failed = recorded(engine->operationWithPath("/echo", Json { { "a", "1" } }, "POST"), "post");
    engine->enqueueOperation(failed);
    settle();
    auto retry = failed->copyForRetry();
    EXPECT_EQ(retry->state(), NetworkOperation::StateReady);
    EXPECT_EQ(retry->HTTPStatusCode(), 0);
    EXPECT_EQ(retry->responseString(), std::nullopt);
    engine->enqueueOperation(retry);
    settle();
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1], events[0]) << "the retry sends the same request to the same handlers";
    EXPECT_EQ(s_server->hits("/echo"), before + 2);

    // A copy of a finished operation is a record of it, not a request: queued,
    // it must neither go out nor keep a slot of the shared queue.
    engine->enqueueOperation(failed->copy());
    settle();
    EXPECT_EQ(NetworkEngine::sharedOperationQueue()->operationCount(), 0u);
    EXPECT_EQ(s_server->hits("/echo"), before + 2);
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(EngineTest, failure_in_the_background_presents_its_notice_once_after_the_handlers_and_never_in_front)
{
    auto* application = kit::Application::sharedApplication();
    ASSERT_TRUE(application);
    application->setLocalNotificationPresenter([this](const kit::LocalNotification& shown) {
        events.push_back("notice " + shown.alertBody().value_or("(none)") + " / "
            + shown.alertAction().value_or("(none)"));
    });
    auto failing = [this](const std::string& label, bool notify) {
        auto operation = get("/status?code=500", label);
        operation->setShouldShowLocalNotificationOnError(notify);
        return operation;
    };

    // In front the error handlers alone tell the user.
    engine->enqueueOperation(failing("front", true));
    settle();
    EXPECT_EQ(events, (Events { "front error 500" }));

    application->enterBackground();
    events.clear();
    // Nobody asked for a notice: none, as for every request of the app.
    engine->enqueueOperation(failing("unasked", false));
    // A success has nothing to tell.
    engine->enqueueOperation(recorded(engine->operationWithPath("/text"), "fine"));
    settle();
    std::sort(events.begin(), events.end());
    EXPECT_EQ(events, (Events { "fine hello", "unasked error 500" }));

    // Two callers of one GET: one request failed, so one notice, after both heard.
    events.clear();
    auto queue = NetworkEngine::sharedOperationQueue();
    queue->setSuspended(true);
    engine->enqueueOperation(failing("first", true));
    engine->enqueueOperation(failing("second", true));
    foundation::RunLoop::main().runUntil([&] { return NetworkEngine::pendingOperationCount() == 1; });
    queue->setSuspended(false);
    settle();
    EXPECT_EQ(events,
        (Events { "first error 500", "second error 500",
            "notice The server answered with HTTP status 500. / Dismiss" }));

    // The operation's own notice goes out as it is, asked for or not.
    events.clear();
    auto own = failing("own", false);
    kit::LocalNotification notice;
    notice.setAlertBody("密码未修改");
    own->setLocalNotification(notice);
    engine->enqueueOperation(own);
    settle();
    EXPECT_EQ(events, (Events { "own error 500", "notice 密码未修改 / (none)" }));

    // Back in front, nothing more.
    application->enterForeground();
    events.clear();
    engine->enqueueOperation(failing("again", true));
    settle();
    EXPECT_EQ(events, (Events { "again error 500" }));
}

TEST_F(EngineTest, download_that_its_stream_cannot_take_fails_instead_of_reporting_success)
{
    auto const file = std::filesystem::temp_directory_path() / ("engine-retry-" + std::to_string(::getpid()));
    auto streamed = get("/text", "first");
    streamed->addDownloadStream(foundation::OutputStream::toFile(file, false));
    engine->enqueueOperation(streamed);
    settle();
    // The retry's stream was closed when the first attempt ended.
    engine->enqueueOperation(streamed->copyForRetry());
    // Nor can a stream whose file cannot be made take anything.
    auto nowhere = get("/text", "nowhere");
    nowhere->addDownloadStream(foundation::OutputStream::toFile("/nonexistent/dir/file", false));
    engine->enqueueOperation(nowhere);
    settle();
    std::filesystem::remove(file);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], "first (not text)");
    std::sort(events.begin() + 1, events.end());
    EXPECT_EQ(std::vector(events.begin() + 1, events.end()),
        (Events { "first error " + std::to_string(net::URLError::CannotWriteToFile),
            "nowhere error " + std::to_string(net::URLError::CannotWriteToFile) }));
}

TEST_F(EngineTest, image_view_shows_its_placeholder_then_the_picture_of_its_latest_fetch)
{
    auto view = std::make_shared<kit::ImageView>(graphics::Rect { 0, 0, 40, 30 });
    auto placeholder = graphics::Image::fromColor(graphics::Color(0, 1, 0, 1), { 1, 1 });
    ImageViewNetworkEngineAdditions::setDefaultEngine(engine);
    // An earlier case has released /slow for good: only a held queue keeps
    // the first fetch from finishing, on a slow machine, before the second
    // replaces it.
    NetworkEngine::sharedOperationQueue()->setSuspended(true);
    auto superseded
        = ImageViewNetworkEngineAdditions::setImageFromURL(*view, s_server->url("/slow"), placeholder);
    auto latest
        = ImageViewNetworkEngineAdditions::setImageFromURL(*view, s_server->url("/image"), placeholder);
    EXPECT_EQ(view->image(), placeholder);
    EXPECT_TRUE(superseded->isCancelled()) << "a view shows only its latest fetch";
    EXPECT_EQ(ImageViewNetworkEngineAdditions::imageFetchOperation(*view), latest);
    NetworkEngine::sharedOperationQueue()->setSuspended(false);
    settle();
    foundation::RunLoop::main().runUntil([&] { return view->image() != placeholder; });
    EXPECT_EQ(view->image()->size().width, 4);
    ImageViewNetworkEngineAdditions::setDefaultEngine(nullptr);
}

TEST_F(EngineTest, two_image_views_on_one_url_each_get_the_picture_when_the_first_moves_on)
{
    auto placeholder = graphics::Image::fromColor(graphics::Color(0, 1, 0, 1), { 1, 1 });
    auto first = std::make_shared<kit::ImageView>(graphics::Rect { 0, 0, 40, 30 });
    auto second = std::make_shared<kit::ImageView>(graphics::Rect { 0, 0, 40, 30 });
    ImageViewNetworkEngineAdditions::setDefaultEngine(engine);
    auto queue = NetworkEngine::sharedOperationQueue();
    queue->setSuspended(true);
    ImageViewNetworkEngineAdditions::setImageFromURL(*first, s_server->url("/image"), placeholder);
    ImageViewNetworkEngineAdditions::setImageFromURL(*second, s_server->url("/image"), placeholder);
    foundation::RunLoop::main().runUntil([] { return NetworkEngine::pendingOperationCount() == 1; });
    foundation::RunLoop::main().runUntilIdle();
    // The first view is given another picture before the shared fetch is sent.
    ImageViewNetworkEngineAdditions::setImageFromURL(*first, s_server->url("/image?other"), placeholder);
    queue->setSuspended(false);
    settle();
    // Pictures are decoded on a worker, then set on the main thread.
    foundation::DispatchQueue::global(foundation::DispatchQueue::Priority::High)->syncFlush();
    foundation::RunLoop::main().runUntilIdle();
    EXPECT_NE(first->image(), placeholder);
    ASSERT_NE(second->image(), placeholder) << "the second view kept its placeholder";
    EXPECT_EQ(second->image()->size().width, 4);
    ImageViewNetworkEngineAdditions::setDefaultEngine(nullptr);
}

TEST(EngineAlerts, ErrorAlertCarriesTheDescriptionAndOneDismissButton)
{
    support::ScreenHarness harness;
    auto alert = AlertViewNetworkEngineAdditions::showWithError(NetworkError(404, "Not here."));
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->title(), "Not here.");
    EXPECT_EQ(alert->numberOfButtons(), 1);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "Dismiss");
    kit::AlertView::discardAll();
}
