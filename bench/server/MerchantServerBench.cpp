// The stand-in back end under the app's load: signed requests as the app
// sends them (its headers, libcurl, one kept-alive connection per client as
// its transport now keeps, or a new connection for every POST as it once
// made), alternating a member's detail and a page of ten members, from 8
// and 50 clients at once. Each load is
// also run against the bare HTTP front answering a fixed reply, and the
// ratio to it is printed, so the cost of the back end itself shows.
//
// Counters: req_per_s, errors, max_ms and p99_ms (latency of one request),
// vs_front (throughput as a share of the bare front's under the same load).
// The handler alone runs on 1 and 8 threads to show what the lock allows.

#include "api/DesCipher.h"
#include "server/HttpServer.h"
#include "server/MerchantHttpServer.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <curl/curl.h>
#include <map>
#include <memory>
#include <sched.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRunTime = std::chrono::milliseconds(1500);

struct SignedRequest {
    std::string path;
    std::string qvkey;
    std::string body;
};

// A member's detail and a page of ten: what the members screens load.
std::vector<SignedRequest> appRequests(const merchant::MerchantState::KeyPairs& keys)
{
    return {
        { "/UserApi/Index/getUserInfo", keys.memberKey,
            DesCipher::encode("cardnum=88000002", keys.memberSecret) },
        { "/UserApi/Index/getMemberList", keys.memberKey,
            DesCipher::encode("currentpage=1&pagesize=10", keys.memberSecret) },
    };
}

merchant::BackendRequest backendRequest(const SignedRequest& request)
{
    merchant::BackendRequest backend;
    backend.path = request.path;
    backend.headers["content-type"] = "application/x-www-form-urlencoded";
    backend.headers["qvkey"] = request.qvkey;
    backend.body = request.body;
    return backend;
}

struct LoadResult {
    double seconds = 0;
    std::size_t requests = 0;
    std::size_t errors = 0;
    double maxMs = 0;
    double p99Ms = 0;
    double perSecond() const { return seconds > 0 ? static_cast<double>(requests) / seconds : 0; }
};

bool pinTo(const std::vector<int>& cpus)
{
    if (cpus.empty())
        return true;
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int cpu : cpus)
        CPU_SET(cpu, &set);
    return sched_setaffinity(0, sizeof set, &set) == 0;
}

std::vector<int> allowedCpus()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    std::vector<int> cpus;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &set))
                cpus.push_back(cpu);
        }
    }
    return cpus;
}

// `clients` threads, each with its own libcurl handle configured as the
// app's transport configures one, send the requests in turn for kRunTime.
LoadResult runLoad(const std::string& host, const std::vector<SignedRequest>& requests, int clients,
    bool fresh, const std::vector<int>& clientCpus = {})
{
    std::atomic<bool> go { false };
    std::atomic<bool> stop { false };
    std::vector<std::vector<float>> latencies(static_cast<std::size_t>(clients));
    std::vector<std::size_t> errors(static_cast<std::size_t>(clients), 0);
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            pinTo(clientCpus);
            std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
            std::vector<std::string> urls;
            std::vector<curl_slist*> headers;
            for (const SignedRequest& request : requests) {
                urls.push_back("http://" + host + request.path);
                curl_slist* list
                    = curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded");
                list = curl_slist_append(list, ("qvkey: " + request.qvkey).c_str());
                list = curl_slist_append(list, "Expect:");
                headers.push_back(list);
            }
            std::string body;
            // No Accept-Encoding: the signed client takes its replies uncompressed.
            curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
            curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, 10'000L);
            curl_easy_setopt(curl.get(), CURLOPT_POST, 1L);
            if (fresh) {
                curl_easy_setopt(curl.get(), CURLOPT_FRESH_CONNECT, 1L);
                curl_easy_setopt(curl.get(), CURLOPT_FORBID_REUSE, 1L);
            }
            curl_easy_setopt(
                curl.get(), CURLOPT_WRITEFUNCTION,
                +[](char* data, std::size_t size, std::size_t count, void* user) {
                    static_cast<std::string*>(user)->append(data, size * count);
                    return size * count;
                });
            curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
            auto& mine = latencies[static_cast<std::size_t>(c)];
            mine.reserve(50'000);
            while (!go.load())
                std::this_thread::yield();
            for (std::size_t i = static_cast<std::size_t>(c); !stop.load(); ++i) {
                const SignedRequest& request = requests[i % requests.size()];
                curl_easy_setopt(curl.get(), CURLOPT_URL, urls[i % requests.size()].c_str());
                curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers[i % requests.size()]);
                curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, request.body.c_str());
                body.clear();
                auto started = Clock::now();
                long status = 0;
                if (curl_easy_perform(curl.get()) == CURLE_OK)
                    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
                mine.push_back(std::chrono::duration<float, std::milli>(Clock::now() - started).count());
                if (status != 200 || body.empty())
                    ++errors[static_cast<std::size_t>(c)];
            }
            for (curl_slist* list : headers)
                curl_slist_free_all(list);
        });
    }
    auto started = Clock::now();
    go = true;
    std::this_thread::sleep_for(kRunTime);
    stop = true;
    for (std::thread& thread : threads)
        thread.join();
    LoadResult result;
    result.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::vector<float> all;
    for (std::size_t c = 0; c < latencies.size(); ++c) {
        all.insert(all.end(), latencies[c].begin(), latencies[c].end());
        result.errors += errors[c];
    }
    result.requests = all.size();
    if (!all.empty()) {
        std::sort(all.begin(), all.end());
        result.maxMs = all.back();
        result.p99Ms = all[all.size() * 99 / 100];
    }
    return result;
}

void report(benchmark::State& state, const LoadResult& result)
{
    state.SetIterationTime(result.seconds);
    state.counters["req_per_s"] = result.perSecond();
    state.counters["errors"] = static_cast<double>(result.errors);
    state.counters["max_ms"] = result.maxMs;
    state.counters["p99_ms"] = result.p99Ms;
}

// Each load runs once for kRunTime: new connections (fresh 1) or kept alive.
void timedOnce(benchmark::internal::Benchmark* target)
{
    target->ArgNames({ "clients", "fresh" })->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void everyLoad(benchmark::internal::Benchmark* target)
{
    timedOnce(target);
    for (int fresh : { 1, 0 }) {
        for (int clients : { 8, 50 })
            target->Args({ clients, fresh });
    }
}

void fiftyClients(benchmark::internal::Benchmark* target)
{
    timedOnce(target);
    target->Args({ 50, 1 })->Args({ 50, 0 });
}

// Throughput of the bare front by load, for the ratios.
std::map<std::pair<int, bool>, double>& frontRates()
{
    static std::map<std::pair<int, bool>, double> rates;
    return rates;
}

// The front alone: the same requests answered with a fixed reply of the
// size of a member's detail, no cipher, no back end.
void BM_BareFront(benchmark::State& state)
{
    int clients = static_cast<int>(state.range(0));
    bool fresh = state.range(1) != 0;
    merchant::HttpServer server([](merchant::HttpRequest&) {
        merchant::HttpReply reply;
        reply.body = std::string(1400, 'A');
        return reply;
    });
    if (!server.start("127.0.0.1", 0)) {
        state.SkipWithError("cannot listen on loopback");
        return;
    }
    merchant::MerchantBackend backend;
    auto requests = appRequests(backend.keys());
    for (auto _ : state) {
        LoadResult result = runLoad("127.0.0.1:" + std::to_string(server.port()), requests, clients, fresh);
        report(state, result);
        frontRates()[{ clients, fresh }] = result.perSecond();
    }
}
BENCHMARK(BM_BareFront)->Apply(everyLoad);

void merchantLoad(benchmark::State& state, bool splitCores)
{
    int clients = static_cast<int>(state.range(0));
    bool fresh = state.range(1) != 0;
    std::vector<int> cpus = allowedCpus();
    std::vector<int> serverCpus;
    std::vector<int> clientCpus;
    if (splitCores) {
        if (cpus.size() < 4) {
            state.SkipWithError("fewer than four processors to split");
            return;
        }
        serverCpus.assign(cpus.begin(), cpus.begin() + static_cast<std::ptrdiff_t>(cpus.size() / 2));
        clientCpus.assign(cpus.begin() + static_cast<std::ptrdiff_t>(cpus.size() / 2), cpus.end());
    }
    auto backend = std::make_shared<merchant::MerchantBackend>();
    merchant::MerchantHttpServer server(backend);
    // The loops inherit the processors of the thread that starts them.
    pinTo(serverCpus);
    bool started = server.start(0);
    pinTo(cpus);
    if (!started) {
        state.SkipWithError("cannot listen on loopback");
        return;
    }
    auto requests = appRequests(backend->keys());
    for (auto _ : state) {
        LoadResult result = runLoad(server.host(), requests, clients, fresh, clientCpus);
        report(state, result);
        auto front = frontRates().find({ clients, fresh });
        if (front != frontRates().end() && front->second > 0)
            state.counters["vs_front"] = result.perSecond() / front->second;
    }
}

void BM_MerchantServer(benchmark::State& state)
{
    merchantLoad(state, false);
}
BENCHMARK(BM_MerchantServer)->Apply(everyLoad);

// Server loops on one half of the processors, clients on the other.
void BM_MerchantServerSplitCores(benchmark::State& state)
{
    merchantLoad(state, true);
}
BENCHMARK(BM_MerchantServerSplitCores)->Apply(fiftyClients);

// The handler without HTTP, the two requests in turn, on one thread and on
// eight sharing one back end: how far the state lock lets them overlap.
void BM_HandlerAlone(benchmark::State& state)
{
    // Made by the first thread before the timed loop, which every thread
    // enters together, and dropped after it, which they all leave together.
    static std::unique_ptr<merchant::MerchantBackend> shared;
    static std::vector<merchant::BackendRequest> requests;
    if (state.thread_index() == 0) {
        shared = std::make_unique<merchant::MerchantBackend>();
        requests.clear();
        for (const SignedRequest& request : appRequests(shared->keys()))
            requests.push_back(backendRequest(request));
    }
    std::size_t i = static_cast<std::size_t>(state.thread_index());
    for (auto _ : state) {
        merchant::BackendReply reply = shared->handle(requests[i++ % requests.size()]);
        benchmark::DoNotOptimize(reply.body.data());
    }
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0)
        shared.reset();
}
BENCHMARK(BM_HandlerAlone)->Threads(1)->Threads(8)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
