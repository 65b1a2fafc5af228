// What the HTTP engine costs over libcurl under it, each pair measured in the
// same run and printed as a ratio at the end:
// - an agent POST round trip (form body, the shared queue, the connection's
//   steps on the main queue, the completion handler) against raw libcurl
//   POSTing the same body on a kept-alive easy handle;
// - 1000 GETs at the engine's width of 6 against a raw curl multi handle
//   running the same 1000 transfers over at most 6 connections.
// The same POST through the bare transport (its I/O thread and back) is
// printed beside them: what the engine adds on top of the transport it uses.

#include "netengine/NetworkEngine.h"
#include "netengine/RequestEncoding.h"
#include "platform/foundation/NeverDestroyed.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/Transport.h"

#include <benchmark/benchmark.h>
#include <condition_variable>
#include <curl/curl.h>
#include <httplib.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr int getCount = 1000;
constexpr long width = NetworkEngine::wifiWidth;
const std::string postPath = "/Api/Alipay/modifyStaffPassword";

class LoopbackServer {
public:
    LoopbackServer()
    {
        m_server.set_keep_alive_max_count(1 << 30);
        m_server.set_tcp_nodelay(true);
        m_server.Post(postPath, [](const httplib::Request&, httplib::Response& response) {
            response.set_content(R"({"status":"1","info":"密码修改成功"})", "application/json");
        });
        m_server.Get("/item", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(512, 'x'), "text/plain");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~LoopbackServer()
    {
        m_server.stop();
        m_thread.join();
    }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    httplib::Server m_server;
    int m_port { 0 };
    std::thread m_thread;
};

LoopbackServer& server()
{
    static LoopbackServer running;
    return running;
}

const foundation::Json fields { { "key", "pay-demo-key" }, { "username", "boss" },
    { "password", "e10adc3949ba59abbe56e057f20f883e" },
    { "newpassword", "c33367701511b4f6020ec61ded352059" } };

size_t append(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

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
    auto const url = "http://" + server().host() + postPath;
    auto const body = RequestEncoding::urlEncodedKeyValueString(fields);
    CURL* easy = curl_easy_init();
    curl_slist* headers
        = curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded; charset=utf-8");
    headers = curl_slist_append(headers, "Expect:");
    std::string reply;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &append);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &reply);
    for (auto _ : state) {
        reply.clear();
        if (curl_easy_perform(easy) != CURLE_OK)
            state.SkipWithError("raw POST failed");
        benchmark::DoNotOptimize(reply);
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(easy);
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
    auto transport = net::Transport::current();
    for (auto _ : state) {
        net::URLRequest request(url);
        request.setHTTPMethod("POST");
        request.setHTTPBody(body);
        request.setValueForHTTPHeaderField(
            "application/x-www-form-urlencoded; charset=utf-8", "Content-Type");
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        net::Transport::Events events;
        events.didComplete = [&](const std::optional<net::URLError>&) {
            std::lock_guard lock(mutex);
            done = true;
            finished.notify_one();
        };
        transport->start(std::move(request), std::move(events));
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return done; });
    }
}

void RawCurlMultiGets(benchmark::State& state)
{
    CURLM* multi = curl_multi_init();
    curl_multi_setopt(multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, width);
    std::vector<CURL*> handles(getCount);
    std::vector<std::string> replies(getCount);
    for (int i = 0; i < getCount; ++i) {
        handles[i] = curl_easy_init();
        auto const url = "http://" + server().host() + "/item?n=" + std::to_string(i);
        curl_easy_setopt(handles[i], CURLOPT_URL, url.c_str());
        curl_easy_setopt(handles[i], CURLOPT_WRITEFUNCTION, &append);
        curl_easy_setopt(handles[i], CURLOPT_WRITEDATA, &replies[i]);
    }
    for (auto _ : state) {
        for (int i = 0; i < getCount; ++i) {
            replies[i].clear();
            curl_multi_add_handle(multi, handles[i]);
        }
        int running = 1;
        while (running) {
            curl_multi_perform(multi, &running);
            if (running)
                curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
        }
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE && message->data.result != CURLE_OK)
                state.SkipWithError("raw GET failed");
        }
        for (auto* handle : handles)
            curl_multi_remove_handle(multi, handle);
    }
    for (auto* handle : handles)
        curl_easy_cleanup(handle);
    curl_multi_cleanup(multi);
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

// Keeps each run's time per iteration, to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (auto const& run : runs)
            m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        ratio("engine POST round trip / raw libcurl kept-alive POST", "EnginePost/min_time:2.000",
            "RawCurlPost/min_time:2.000");
        ratio("engine 1000 GETs at width 6 / raw curl multi with 6 connections", "EngineGets/min_time:2.000",
            "RawCurlMultiGets/min_time:2.000");
        ratio("bare transport POST / raw libcurl kept-alive POST", "TransportPost/min_time:2.000",
            "RawCurlPost/min_time:2.000");
        ratio("engine POST round trip / bare transport POST", "EnginePost/min_time:2.000",
            "TransportPost/min_time:2.000");
    }

private:
    void ratio(const char* what, const std::string& ours, const std::string& raw)
    {
        if (m_times.contains(ours) && m_times.contains(raw) && m_times[raw] > 0)
            std::printf("ratio %s: %.2f\n", what, m_times[ours] / m_times[raw]);
    }
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // libcurl and OpenSSL set up on this thread, as the program does.
    net::Transport::current();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
