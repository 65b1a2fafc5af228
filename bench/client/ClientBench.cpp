// What the signed client costs over the libraries under it, each pair measured in
// the same run and printed as a ratio at the end:
// - a signed round trip (encrypt, POST through the transport on a kept-alive
//   connection, main-queue hand-off, decrypt) against raw libcurl POSTing the same
//   body to the same path on a kept-alive connection, against three servers: a
//   loopback server answering a fixed cipher text, the stand-in merchant back end
//   in process answering a member's detail, and the same back end as merchant-server
//   in a process of its own, as a real back end always runs. Beside
//   them, what the app's design alone costs (the request goes out from the network
//   thread, its completion runs on the main thread): the two thread hand-offs by
//   themselves, and raw libcurl driven from a network thread with its completion
//   run on the main loop;
// - the steps of a signed request that run on the main thread, each alone: the
//   network check, the body's encryption and escaping, the reply's decryption;
// - a 10-row list reply read as a screen reads it (decrypt, JSON, envelope,
//   entities) against the decryption of the same reply alone;
// - a JSON object parsed by the app's parser against nlohmann's own parse.

#include "api/Constants.h"
#include "api/DesCipher.h"
#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "bench/support/BlockingTransport.h"
#include "bench/support/KeptAlivePost.h"
#include "bench/support/LoopbackHttpServer.h"
#include "bench/support/RatioReporter.h"
#include "bench/support/ServerProcess.h"
#include "model/OrderEntity.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/NetworkState.h"
#include "platform/net/Transport.h"
#include "server/MerchantBackend.h"
#include "server/MerchantHttpServer.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <curl/curl.h>
#include <filesystem>
#include <functional>
#include <httplib.h>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace {

const std::string loopbackSecret = "benchkey";

std::string orderListReply(int rows)
{
    foundation::Json list = foundation::Json::array();
    for (int i = 0; i < rows; ++i) {
        foundation::Json order = foundation::Json::object();
        for (auto key : { "seller_id", "seller_account", "refundmoney", "refundtime", "reason", "company",
                 "nickname", "shopname", "orderid", "trade_no", "paymoney", "buyer_id", "buyer_account",
                 "paytype", "addtime", "paytime", "paystatus", "is_refund", "payment", "pri_paymoney" })
            order[key] = std::string(key) + "-" + std::to_string(i) + "-值";
        list.push_back(order);
    }
    foundation::Json reply { { "status", "1" }, { "info", "成功" },
        { "data", { { "count", "10" }, { "list", list } } } };
    return reply.dump();
}

// A server the round trips are measured against, and the one request sent to it:
// its path, parameters and merchant key pair.
struct Backend {
    std::string name;
    std::string host;
    std::string path;
    int keyFlag { NetUtilSign::receivableKeyFlag };
    std::string headerKey;
    std::string secret;
    NetUtilSign::Parameters parameters;

    std::string url() const { return "http://" + host + path; }

    // The bytes the signed client sends for the parameters.
    std::string formBody() const
    {
        std::string text;
        for (const auto& [key, value] : parameters)
            text += (text.empty() ? "" : "&") + key + "=" + value;
        return foundation::addingPercentEscapes(DesCipher::encode(text, secret));
    }

    std::vector<std::string> formHeaders() const
    {
        return { "Content-Type: application/x-www-form-urlencoded", "qvkey: " + headerKey };
    }

    // The settings and network state the signed client reads, as the program
    // sets them up for this back end.
    void configureSignedClient() const
    {
        auto& defaults = foundation::UserDefaults::standard();
        bool const member = keyFlag != NetUtilSign::receivableKeyFlag;
        defaults.setObject(headerKey, member ? KEY_MEMBER : KEY_RECEIVABLE);
        defaults.setObject(secret, member ? KEY_MEMBER_ENCRYPT : KEY_RECEIVABLE_ENCRYPT);
        URLConfig::setApiHost(host);
        net::NetworkState::setSource(nullptr);
        net::NetworkState::setServiceHosts({ host });
    }
};

// A loopback server that answers every POST with the same cipher text.
const Backend& loopback()
{
    static const std::string path(URLConfig::GET_ORDER_STATUS);
    static bench::LoopbackHttpServer running([](httplib::Server& server) {
        server.Post(path,
            [reply
                = DesCipher::encode(R"({"status":"1","info":"","data":{"paystatus":"1"}})", loopbackSecret)](
                const httplib::Request&, httplib::Response& res) { res.set_content(reply, "text/html"); });
    });
    static const Backend backend { "loopback", running.host(), path, NetUtilSign::receivableKeyFlag, "bench",
        loopbackSecret, NetUtilSign::Parameters { { "orderid", "2026120700001234" } } };
    return backend;
}

// The stand-in merchant back end, in process, answering a member's detail. One
// event loop serves both the raw and the signed client's connection, so that
// neither is measured against a server thread of its own that the other lacks.
merchant::MerchantHttpOptions oneLoop()
{
    merchant::MerchantHttpOptions options;
    options.loops = 1;
    return options;
}

const Backend& standIn()
{
    static auto const merchant = std::make_shared<merchant::MerchantBackend>();
    static merchant::MerchantHttpServer running(merchant, oneLoop());
    static const Backend backend = [] {
        if (!running.start())
            std::fprintf(stderr, "bench_client: the stand-in back end did not start\n");
        auto const keys = merchant->keys();
        return Backend { "standIn", running.host(), std::string(URLConfig::GET_USER_INFO),
            NetUtilSign::memberKeyFlag, keys.memberKey, keys.memberSecret,
            NetUtilSign::Parameters { { "cardnum", "88000002" } } };
    }();
    return backend;
}

// The stand-in merchant back end as a real one always runs: merchant-server in a
// process of its own, on a port it picks, answering the same member's detail.
// Its member key pair is read from the banner it prints before it listens.
const Backend& ownProcess()
{
    static bench::ServerProcess running({ MERCHANT_SERVER_PROGRAM, "--port", "0" }, "listening on ");
    static const Backend backend = [] {
        if (!running.ready())
            std::fprintf(stderr, "bench_client: %s did not start\n", MERCHANT_SERVER_PROGRAM);
        std::string headerKey;
        std::string secret;
        std::istringstream banner(running.banner());
        for (std::string line; std::getline(banner, line);) {
            std::istringstream words(line);
            std::string member, key, encryption;
            if (words >> member >> key && member == "member" && key == "key:")
                words >> headerKey >> encryption >> key >> secret;
        }
        return Backend { "ownProcess", running.readyText(), std::string(URLConfig::GET_USER_INFO),
            NetUtilSign::memberKeyFlag, headerKey, secret, NetUtilSign::Parameters { { "cardnum", "88000002" } } };
    }();
    return backend;
}

using BackendOf = const Backend& (*)();

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    auto const middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Medians of single round trips by benchmark name, for the summary: on a machine
// shared with other work the mean a benchmark reports carries the tails of that
// work's load, its median far less.
std::map<std::string, double>& medianSeconds()
{
    static std::map<std::string, double> medians;
    return medians;
}

// Times each iteration on its own.
class IterationTimes {
public:
    using Clock = std::chrono::steady_clock;

    void start() { m_started = Clock::now(); }
    void stop() { m_seconds.push_back(std::chrono::duration<double>(Clock::now() - m_started).count()); }
    void report(benchmark::State& state, const std::string& name) const
    {
        auto const middle = median(m_seconds);
        state.counters["median_us"] = middle * 1e6;
        medianSeconds()[name] = middle;
    }

private:
    Clock::time_point m_started;
    std::vector<double> m_seconds;
};

void RawCurlPost(benchmark::State& state, BackendOf backendOf)
{
    auto const& backend = backendOf();
    bench::KeptAlivePost post(backend.url(), backend.formBody(), backend.formHeaders());
    IterationTimes times;
    for (auto _ : state) {
        times.start();
        if (!post.perform())
            state.SkipWithError("raw POST failed");
        times.stop();
        benchmark::DoNotOptimize(post.reply());
    }
    times.report(state, "RawCurlPost/" + backend.name);
}

// A network thread as the transport's: it sleeps in curl_multi_poll, is woken by
// curl_multi_wakeup for work handed to it, and runs its multi handle's transfers.
class NetworkThread {
public:
    using Job = std::function<void(CURLM*)>;
    using Done = std::function<void(CURL*)>;

    explicit NetworkThread(Done done)
        : m_done(std::move(done))
        , m_thread([this] { run(); })
    {
    }
    ~NetworkThread()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        curl_multi_wakeup(m_multi);
        m_thread.join();
        curl_multi_cleanup(m_multi);
    }
    void hand(Job job)
    {
        {
            std::lock_guard lock(m_mutex);
            m_jobs.push_back(std::move(job));
        }
        curl_multi_wakeup(m_multi);
    }

private:
    void run()
    {
        for (;;) {
            std::vector<Job> jobs;
            {
                std::lock_guard lock(m_mutex);
                if (m_stopping)
                    return;
                jobs.swap(m_jobs);
            }
            for (auto& job : jobs)
                job(m_multi);
            int running = 0;
            curl_multi_perform(m_multi, &running);
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
                if (message->msg != CURLMSG_DONE)
                    continue;
                CURL* easy = message->easy_handle;
                curl_multi_remove_handle(m_multi, easy);
                m_done(easy);
            }
            curl_multi_poll(m_multi, nullptr, 0, 1000, nullptr);
        }
    }

    CURLM* m_multi { curl_multi_init() };
    Done m_done;
    std::mutex m_mutex;
    std::vector<Job> m_jobs;
    bool m_stopping { false };
    std::thread m_thread;
};

// The two hand-offs of a request and nothing else: main thread to the network
// thread, and back through the main run loop.
void TwoHandOffsOnly(benchmark::State& state)
{
    NetworkThread network([](CURL*) {});
    auto& loop = foundation::RunLoop::main();
    for (auto _ : state) {
        bool done = false;
        network.hand([&loop, &done](CURLM*) { loop.post([&done] { done = true; }); });
        loop.runUntil([&] { return done; });
    }
}

// Raw libcurl as the app's design drives it: the POST goes out from the network
// thread and its completion runs on the main loop.
void RawCurlPostFromNetworkThread(benchmark::State& state, BackendOf backendOf)
{
    auto const& backend = backendOf();
    bench::KeptAlivePost post(backend.url(), backend.formBody(), backend.formHeaders());
    auto& loop = foundation::RunLoop::main();
    bool done = false;
    NetworkThread network([&loop, &done](CURL*) { loop.post([&done] { done = true; }); });
    for (auto _ : state) {
        post.clearReply();
        done = false;
        network.hand([easy = post.handle()](CURLM* multi) { curl_multi_add_handle(multi, easy); });
        loop.runUntil([&] { return done; });
        benchmark::DoNotOptimize(post.reply());
    }
}

// A home of its own for the settings the signed client reads.
class BenchHome {
public:
    BenchHome()
    {
        foundation::Paths::setHome(m_home);
        foundation::UserDefaults::resetStandard();
    }
    ~BenchHome() { std::filesystem::remove_all(m_home); }
    BenchHome(const BenchHome&) = delete;
    BenchHome& operator=(const BenchHome&) = delete;

private:
    std::filesystem::path m_home { std::filesystem::temp_directory_path() / "bench-client-home" };
};

void SignedRoundTrip(benchmark::State& state, BackendOf backendOf)
{
    auto const& backend = backendOf();
    BenchHome home;
    backend.configureSignedClient();
    IterationTimes times;
    for (auto _ : state) {
        times.start();
        std::optional<std::string> reply;
        bool done = false;
        NetUtilSign::doPostForNotLoading(
            backend.path, backend.keyFlag, backend.parameters, [&](const std::optional<std::string>& text) {
                reply = text;
                done = true;
            });
        foundation::RunLoop::main().runUntil([&] { return done; });
        times.stop();
        if (!reply || reply->empty())
            state.SkipWithError("signed POST failed");
    }
    times.report(state, "SignedRoundTrip/" + backend.name);
}

// The signed round trip and raw libcurl's POST taken in turns, each timed alone: on
// a machine shared with other work both meet the same load, so the ratio of their
// medians holds still where the ratio of two separate runs swings with the load.
struct PairedMedians {
    double signedSeconds { 0 };
    double rawSeconds { 0 };
    std::size_t pairs { 0 };
};
std::map<std::string, PairedMedians>& pairedMedians()
{
    static std::map<std::string, PairedMedians> medians;
    return medians;
}

void SignedAndRawInTurns(benchmark::State& state, BackendOf backendOf)
{
    using Clock = std::chrono::steady_clock;
    auto const& backend = backendOf();
    BenchHome home;
    backend.configureSignedClient();
    bench::KeptAlivePost post(backend.url(), backend.formBody(), backend.formHeaders());
    std::vector<double> signedTimes;
    std::vector<double> rawTimes;
    auto signedRoundTrip = [&] {
        bool done = false;
        bool replied = false;
        NetUtilSign::doPostForNotLoading(
            backend.path, backend.keyFlag, backend.parameters, [&](const std::optional<std::string>& text) {
                replied = text && !text->empty();
                done = true;
            });
        foundation::RunLoop::main().runUntil([&] { return done; });
        return replied;
    };
    bool signedFirst = false;
    for (auto _ : state) {
        // Each goes first in every other pair, so neither always follows the other.
        signedFirst = !signedFirst;
        for (int turn = 0; turn < 2; ++turn) {
            bool const isSigned = (turn == 0) == signedFirst;
            auto const started = Clock::now();
            bool const ok = isSigned ? signedRoundTrip() : post.perform();
            std::chrono::duration<double> const took = Clock::now() - started;
            if (!ok)
                state.SkipWithError(isSigned ? "signed POST failed" : "raw POST failed");
            (isSigned ? signedTimes : rawTimes).push_back(took.count());
        }
    }
    PairedMedians medians { median(signedTimes), median(rawTimes), signedTimes.size() };
    state.counters["signed_us"] = medians.signedSeconds * 1e6;
    state.counters["raw_us"] = medians.rawSeconds * 1e6;
    if (medians.rawSeconds > 0)
        state.counters["ratio"] = medians.signedSeconds / medians.rawSeconds;
    pairedMedians()["SignedAndRawInTurns/" + backend.name] = medians;
}

void TransportOnly(benchmark::State& state, BackendOf backendOf)
{
    auto const& backend = backendOf();
    auto const url = backend.url();
    auto const body = backend.formBody();
    bench::BlockingTransport transport;
    for (auto _ : state) {
        net::URLRequest request(url);
        request.setHTTPMethod("POST");
        request.setHTTPBody(body);
        request.setAllowsCompression(false);
        transport.roundTrip(std::move(request));
    }
}

// The steps of a signed request that run on the main thread, one at a time.
void NetworkCheckOnly(benchmark::State& state)
{
    auto const& backend = standIn();
    backend.configureSignedClient();
    for (auto _ : state) {
        if (!NetUtilSign::isConnectionAvailable())
            state.SkipWithError("no network");
    }
}

// The same check for a back end elsewhere, which the machine's own interfaces and
// routes answer.
void NetworkCheckForRemoteBackEnd(benchmark::State& state)
{
    net::NetworkState::setSource(nullptr);
    net::NetworkState::setServiceHosts({ "192.0.2.1" });
    for (auto _ : state) {
        if (!NetUtilSign::isConnectionAvailable())
            state.SkipWithError("no network");
    }
}

void RequestBodyOnly(benchmark::State& state)
{
    auto const& backend = standIn();
    for (auto _ : state)
        benchmark::DoNotOptimize(backend.formBody());
}

void ReplyDecryptOnly(benchmark::State& state)
{
    auto const& backend = standIn();
    bench::KeptAlivePost post(backend.url(), backend.formBody(), backend.formHeaders());
    if (!post.perform())
        state.SkipWithError("raw POST failed");
    auto const cipher = post.reply();
    for (auto _ : state)
        benchmark::DoNotOptimize(DesCipher::decode(cipher, backend.secret));
}

void ListReplyDecryptOnly(benchmark::State& state)
{
    auto const cipher = DesCipher::encode(orderListReply(10), loopbackSecret);
    for (auto _ : state)
        benchmark::DoNotOptimize(DesCipher::decode(cipher, loopbackSecret));
}

void ListReplyAsTheScreenReadsIt(benchmark::State& state)
{
    auto const cipher = DesCipher::encode(orderListReply(10), loopbackSecret);
    for (auto _ : state) {
        auto const reply = JsonUtil::getJSONObject(DesCipher::decode(cipher, loopbackSecret));
        if (!JsonUtil::isSuccess(reply))
            state.SkipWithError("reply not read");
        std::vector<std::shared_ptr<OrderEntity>> orders;
        for (auto const& row : foundation::valueForKey(JsonUtil::data(reply), "list"))
            orders.push_back(OrderEntity::initWithJSON(row));
        benchmark::DoNotOptimize(orders);
    }
}

std::string bigObject(int keys)
{
    std::string text = "{";
    for (int i = 0; i < keys; ++i)
        text += (i ? ",\"k" : "\"k") + std::to_string(i) + "\":\"v\"";
    return text + "}";
}

void JsonRawNlohmannParse(benchmark::State& state)
{
    auto const text = bigObject(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(nlohmann::json::parse(text));
}

void JsonAppParse(benchmark::State& state)
{
    auto const text = bigObject(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(foundation::parseJsonObject(text));
}

// Each round trip against each back end.
#define ROUND_TRIP_BENCHMARK(function)                                                                       \
    BENCHMARK_CAPTURE(function, loopback, &loopback)->Unit(benchmark::kMicrosecond)->MinTime(2);             \
    BENCHMARK_CAPTURE(function, standIn, &standIn)->Unit(benchmark::kMicrosecond)->MinTime(2);             \
    BENCHMARK_CAPTURE(function, ownProcess, &ownProcess)->Unit(benchmark::kMicrosecond)->MinTime(2)

ROUND_TRIP_BENCHMARK(RawCurlPost);
ROUND_TRIP_BENCHMARK(SignedRoundTrip);
ROUND_TRIP_BENCHMARK(TransportOnly);
ROUND_TRIP_BENCHMARK(SignedAndRawInTurns);
ROUND_TRIP_BENCHMARK(RawCurlPostFromNetworkThread);
BENCHMARK(TwoHandOffsOnly)->Unit(benchmark::kMicrosecond)->MinTime(2);
BENCHMARK(NetworkCheckOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(NetworkCheckForRemoteBackEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(RequestBodyOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReplyDecryptOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(ListReplyDecryptOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(ListReplyAsTheScreenReadsIt)->Unit(benchmark::kMicrosecond);
BENCHMARK(JsonRawNlohmannParse)->Arg(20)->Arg(80000)->Unit(benchmark::kMicrosecond);
BENCHMARK(JsonAppParse)->Arg(20)->Arg(80000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const char* server : { "loopback", "standIn", "ownProcess" }) {
        auto const named = [server](const char* benchmark) { return std::string(benchmark) + "/" + server; };
        std::printf("against the %s server:\n", server);
        reporter.printRatio(
            "  signed round trip", named("SignedRoundTrip"), "raw libcurl POST", named("RawCurlPost"));
        auto const& medians = medianSeconds();
        if (medians.count(named("SignedRoundTrip")) && medians.count(named("RawCurlPost"))
            && medians.at(named("RawCurlPost")) > 0) {
            auto const signedMedian = medians.at(named("SignedRoundTrip"));
            auto const rawMedian = medians.at(named("RawCurlPost"));
            std::printf("  signed round trip, median: %s, %.2fx raw libcurl POST's (%s)\n",
                bench::RatioReporter::formatSeconds(signedMedian).c_str(), signedMedian / rawMedian,
                bench::RatioReporter::formatSeconds(rawMedian).c_str());
        }
        reporter.printRatio("  transport alone, no main-queue hand-off", named("TransportOnly"),
            "raw libcurl POST", named("RawCurlPost"));
        reporter.printRatio("  raw libcurl POST from a network thread (the design's floor)",
            named("RawCurlPostFromNetworkThread"), "raw libcurl POST", named("RawCurlPost"));
        reporter.printRatio("  signed round trip", named("SignedRoundTrip"),
            "raw libcurl POST from a network thread", named("RawCurlPostFromNetworkThread"));
    }
    for (auto const& [name, medians] : pairedMedians()) {
        if (medians.rawSeconds > 0)
            std::printf("%s: signed round trip %s, raw libcurl POST %s, %.2fx (medians of %zu pairs)\n",
                name.c_str(), bench::RatioReporter::formatSeconds(medians.signedSeconds).c_str(),
                bench::RatioReporter::formatSeconds(medians.rawSeconds).c_str(),
                medians.signedSeconds / medians.rawSeconds, medians.pairs);
    }
    for (const char* step : { "TwoHandOffsOnly", "NetworkCheckOnly", "NetworkCheckForRemoteBackEnd",
             "RequestBodyOnly", "ReplyDecryptOnly" }) {
        if (auto seconds = reporter.seconds(step))
            std::printf("%s: %s\n", step, bench::RatioReporter::formatSeconds(*seconds).c_str());
    }
    reporter.printRatio(
        "list reply read", "ListReplyAsTheScreenReadsIt", "decrypt only", "ListReplyDecryptOnly");
    reporter.printRatio("JSON 20 keys: app", "JsonAppParse/20", "nlohmann", "JsonRawNlohmannParse/20");
    reporter.printRatio(
        "JSON 80000 keys: app", "JsonAppParse/80000", "nlohmann", "JsonRawNlohmannParse/80000");
    return 0;
}
