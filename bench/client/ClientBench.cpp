// What the signed client costs over the libraries under it, each pair measured in
// the same run and printed as a ratio at the end:
// - a signed round trip on loopback (encrypt, POST through the transport on a
//   kept-alive connection, main-queue hand-off, decrypt) against raw libcurl POSTing
//   the same body on a kept-alive connection; beside them, what the app's design
//   alone costs (the request goes out from the network thread, its completion runs
//   on the main thread): the two thread hand-offs by themselves, and raw libcurl
//   driven from a network thread with its completion run on the main loop;
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
#include "model/OrderEntity.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/NetworkState.h"
#include "platform/net/Transport.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <filesystem>
#include <functional>
#include <httplib.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {

const std::string secret = "benchkey";
const std::string path(URLConfig::GET_ORDER_STATUS);

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

// A back end on loopback that answers every POST with the same cipher text.
bench::LoopbackHttpServer& server()
{
    static bench::LoopbackHttpServer running([](httplib::Server& server) {
        server.Post(path,
            [reply = DesCipher::encode(R"({"status":"1","info":"","data":{"paystatus":"1"}})", secret)](
                const httplib::Request&, httplib::Response& res) { res.set_content(reply, "text/html"); });
    });
    return running;
}

std::string formBody()
{
    return foundation::addingPercentEscapes(DesCipher::encode("orderid=2026120700001234", secret));
}

const std::vector<std::string> formHeaders { "Content-Type: application/x-www-form-urlencoded",
    "qvkey: bench" };

void RawCurlPost(benchmark::State& state)
{
    bench::KeptAlivePost post("http://" + server().host() + path, formBody(), formHeaders);
    for (auto _ : state) {
        if (!post.perform())
            state.SkipWithError("raw POST failed");
        benchmark::DoNotOptimize(post.reply());
    }
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
void RawCurlPostFromNetworkThread(benchmark::State& state)
{
    bench::KeptAlivePost post("http://" + server().host() + path, formBody(), formHeaders);
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

void SignedRoundTrip(benchmark::State& state)
{
    auto home = std::filesystem::temp_directory_path() / "bench-client-home";
    foundation::Paths::setHome(home);
    foundation::UserDefaults::resetStandard();
    auto& defaults = foundation::UserDefaults::standard();
    defaults.setObject(std::string("bench"), KEY_RECEIVABLE);
    defaults.setObject(secret, KEY_RECEIVABLE_ENCRYPT);
    URLConfig::setApiHost(server().host());
    net::NetworkState::setSource(std::make_shared<net::FakeNetworkStateSource>());
    net::NetworkState::setServiceHosts({ server().host() });
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = "2026120700001234";
    for (auto _ : state) {
        std::optional<std::string> reply;
        bool done = false;
        NetUtilSign::doPostForNotLoading(
            path, NetUtilSign::receivableKeyFlag, parameters, [&](const std::optional<std::string>& text) {
                reply = text;
                done = true;
            });
        foundation::RunLoop::main().runUntil([&] { return done; });
        if (!reply)
            state.SkipWithError("signed POST failed");
    }
    std::filesystem::remove_all(home);
}

void TransportOnly(benchmark::State& state)
{
    auto const url = "http://" + server().host() + path;
    auto const body = formBody();
    bench::BlockingTransport transport;
    for (auto _ : state) {
        net::URLRequest request(url);
        request.setHTTPMethod("POST");
        request.setHTTPBody(body);
        request.setAllowsCompression(false);
        transport.roundTrip(std::move(request));
    }
}

void ListReplyDecryptOnly(benchmark::State& state)
{
    auto const cipher = DesCipher::encode(orderListReply(10), secret);
    for (auto _ : state)
        benchmark::DoNotOptimize(DesCipher::decode(cipher, secret));
}

void ListReplyAsTheScreenReadsIt(benchmark::State& state)
{
    auto const cipher = DesCipher::encode(orderListReply(10), secret);
    for (auto _ : state) {
        auto const reply = JsonUtil::getJSONObject(DesCipher::decode(cipher, secret));
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

BENCHMARK(RawCurlPost)->Unit(benchmark::kMicrosecond)->MinTime(2);
BENCHMARK(SignedRoundTrip)->Unit(benchmark::kMicrosecond)->MinTime(2);
BENCHMARK(TransportOnly)->Unit(benchmark::kMicrosecond)->MinTime(2);
BENCHMARK(RawCurlPostFromNetworkThread)->Unit(benchmark::kMicrosecond)->MinTime(2);
BENCHMARK(TwoHandOffsOnly)->Unit(benchmark::kMicrosecond)->MinTime(2);
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
    reporter.printRatio("signed round trip", "SignedRoundTrip", "raw libcurl POST", "RawCurlPost");
    reporter.printRatio("raw libcurl POST from a network thread (the design's floor)",
        "RawCurlPostFromNetworkThread", "raw libcurl POST", "RawCurlPost");
    reporter.printRatio("signed round trip", "SignedRoundTrip", "raw libcurl POST from a network thread",
        "RawCurlPostFromNetworkThread");
    if (auto handOffs = reporter.seconds("TwoHandOffsOnly"))
        std::printf("the two hand-offs alone: %s\n", bench::RatioReporter::formatSeconds(*handOffs).c_str());
    reporter.printRatio(
        "list reply read", "ListReplyAsTheScreenReadsIt", "decrypt only", "ListReplyDecryptOnly");
    reporter.printRatio("JSON 20 keys: app", "JsonAppParse/20", "nlohmann", "JsonRawNlohmannParse/20");
    reporter.printRatio(
        "JSON 80000 keys: app", "JsonAppParse/80000", "nlohmann", "JsonRawNlohmannParse/80000");
    return 0;
}
