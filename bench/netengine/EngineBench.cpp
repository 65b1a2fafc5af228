// What the HTTP engine costs over libcurl under it, each pair measured in the
// same run and printed as a ratio at the end:
// - an agent POST round trip (form body, the shared queue, the connection's
//   steps on the main queue, the completion handler) against raw libcurl
//   POSTing the same body on a kept-alive easy handle;
// - 1000 GETs at the engine's width of 6 against a raw curl multi handle
//   running the same 1000 transfers over at most 6 connections.
// The same POST through the bare transport (its I/O thread and back) is
// printed beside them: what the engine adds on top of the transport it uses.

#include "bench/support/BlockingTransport.h"
#include "bench/support/CurlMultiGets.h"
#include "bench/support/KeptAlivePost.h"
#include "bench/support/LoopbackHttpServer.h"
#include "bench/support/RatioReporter.h"
#include "netengine/NetworkEngine.h"
#include "netengine/RequestEncoding.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/Transport.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>
#include <string>
#include <vector>

namespace {

constexpr int getCount = 1000;
constexpr long width = NetworkEngine::wifiWidth;
const std::string postPath = "/Api/Alipay/modifyStaffPassword";

bench::LoopbackHttpServer& server()
{
    static bench::LoopbackHttpServer running([](httplib::Server& server) {
        server.Post(postPath, [](const httplib::Request&, httplib::Response& response) {
            response.set_content(R"({"status":"1","info":"密码修改成功"})", "application/json");
        });
        server.Get("/item", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(512, 'x'), "text/plain");
        });
    });
    return running;
}

const foundation::Json fields { { "key", "pay-demo-key" }, { "username", "boss" },
    { "password", "e10adc3949ba59abbe56e057f20f883e" },
    { "newpassword", "c33367701511b4f6020ec61ded352059" } };

// Kept to the end, as the app keeps its engine: one destroyed while exit takes
// the network state down would stop its notifier on what is gone.
std::shared_ptr<NetworkEngine> engine()
{
    static foundation::NeverDestroyed<std::shared_ptr<NetworkEngine>> made(
        NetworkEngine::initWithHostName(server().host() + "/Api"));
    return *made;
}

void RawCurlPost(benchmark::State& state)
{
    bench::KeptAlivePost post("http://" + server().host() + postPath,
        RequestEncoding::urlEncodedKeyValueString(fields),
        { "Content-Type: application/x-www-form-urlencoded; charset=utf-8" });
    for (auto _ : state) {
        if (!post.perform())
            state.SkipWithError("raw POST failed");
        benchmark::DoNotOptimize(post.reply());
    }
}

void EnginePost(benchmark::State& state)
{
    auto const agent = engine();
    for (auto _ : state) {
        bool done = false;
        std::optional<std::string> reply;
        auto operation = agent->operationWithPath(postPath.substr(4), fields, "POST");
        operation->addCompletionHandler(
            [&](const NetworkOperation::Pointer& finished) {
                reply = finished->responseString();
                done = true;
            },
            [&](const NetworkOperation::Pointer&, const NetworkError&) { done = true; });
        agent->enqueueOperation(operation);
        foundation::RunLoop::main().runUntil([&] { return done; });
        if (!reply)
            state.SkipWithError("engine POST failed");
    }
}

void TransportPost(benchmark::State& state)
{
    auto const url = "http://" + server().host() + postPath;
    auto const body = RequestEncoding::urlEncodedKeyValueString(fields);
    bench::BlockingTransport transport;
    for (auto _ : state) {
        net::URLRequest request(url);
        request.setHTTPMethod("POST");
        request.setHTTPBody(body);
        request.setValueForHTTPHeaderField(
            "application/x-www-form-urlencoded; charset=utf-8", "Content-Type");
        transport.roundTrip(std::move(request));
    }
}

void RawCurlMultiGets(benchmark::State& state)
{
    std::vector<std::string> urls;
    for (int i = 0; i < getCount; ++i)
        urls.push_back("http://" + server().host() + "/item?n=" + std::to_string(i));
    bench::CurlMultiGets gets(urls, width);
    for (auto _ : state) {
        if (!gets.run())
            state.SkipWithError("raw GET failed");
    }
}

void EngineGets(benchmark::State& state)
{
    auto const agent = engine();
    NetworkEngine::sharedOperationQueue()->setMaxConcurrentOperationCount(width);
    for (auto _ : state) {
        int finished = 0;
        int failed = 0;
        for (int i = 0; i < getCount; ++i) {
            auto operation
                = agent->operationWithURLString("http://" + server().host() + "/item?n=" + std::to_string(i));
            operation->addCompletionHandler([&](const NetworkOperation::Pointer&) { ++finished; },
                [&](const NetworkOperation::Pointer&, const NetworkError&) {
                    ++finished;
                    ++failed;
                });
            agent->enqueueOperation(operation);
        }
        foundation::RunLoop::main().runUntil([&] { return finished == getCount; });
        if (failed)
            state.SkipWithError("engine GET failed");
    }
}

BENCHMARK(RawCurlPost)->Unit(benchmark::kMicrosecond)->MinTime(2);
BENCHMARK(EnginePost)->Unit(benchmark::kMicrosecond)->MinTime(2);
BENCHMARK(TransportPost)->Unit(benchmark::kMicrosecond)->MinTime(2);
BENCHMARK(RawCurlMultiGets)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(EngineGets)->Unit(benchmark::kMillisecond)->MinTime(2);

} // namespace

int main(int argc, char** argv)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // libcurl and OpenSSL set up on this thread, as the program does.
    net::Transport::current();
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.printRatio("engine POST round trip", "EnginePost", "raw libcurl kept-alive POST", "RawCurlPost");
    reporter.printRatio(
        "engine 1000 GETs at width 6", "EngineGets", "raw curl multi with 6 connections", "RawCurlMultiGets");
    reporter.printRatio("bare transport POST", "TransportPost", "raw libcurl kept-alive POST", "RawCurlPost");
    reporter.printRatio("engine POST round trip", "EnginePost", "bare transport POST", "TransportPost");
    return 0;
}
