// Signed requests per second at the stand-in back end: through the request
// handler alone (decrypt, parse, answer, encrypt) and over loopback HTTP
// with one kept-alive libcurl connection, as the app's transport would use.

#include "api/DesCipher.h"
#include "server/DemoSeed.h"
#include "server/MerchantHttpServer.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <memory>
#include <string>

namespace {

merchant::BackendRequest signedRequest(
    merchant::MerchantBackend& backend, const std::string& path, const std::string& form)
{
    merchant::MerchantState::KeyPairs keys = backend.keys();
    bool member = path.rfind("/UserApi/", 0) == 0;
    merchant::BackendRequest request;
    request.path = path;
    request.headers["content-type"] = "application/x-www-form-urlencoded";
    request.headers["qvkey"] = member ? keys.memberKey : keys.collectionKey;
    request.body = DesCipher::encode(form, member ? keys.memberSecret : keys.collectionSecret);
    return request;
}

void handlerAlone(benchmark::State& state, merchant::MerchantBackend& backend, const std::string& path,
    const std::string& form)
{
    merchant::BackendRequest request = signedRequest(backend, path, form);
    for (auto _ : state) {
        merchant::BackendReply reply = backend.handle(request);
        benchmark::DoNotOptimize(reply.body.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_HandlerMemberDetail(benchmark::State& state)
{
    merchant::MerchantBackend backend;
    handlerAlone(state, backend, "/UserApi/Index/getUserInfo", "cardnum=88000002");
}
BENCHMARK(BM_HandlerMemberDetail);

void BM_HandlerMemberListPage(benchmark::State& state)
{
    merchant::MerchantBackend backend;
    handlerAlone(state, backend, "/UserApi/Index/getMemberList", "currentpage=2&pagesize=10");
}
BENCHMARK(BM_HandlerMemberListPage);

void BM_HandlerOrderDetail(benchmark::State& state)
{
    merchant::MerchantBackend backend;
    std::string orderid = merchant::DemoSeed::orderNumber(backend.now(), 1);
    handlerAlone(
        state, backend, "/PayApi/OfflinePay/getOrderDetails", "orderid=" + orderid + "&m_paytype=alipay");
}
BENCHMARK(BM_HandlerOrderDetail);

void BM_LoopbackMemberDetail(benchmark::State& state)
{
    auto backend = std::make_shared<merchant::MerchantBackend>();
    merchant::MerchantHttpServer server(backend);
    if (!server.start(0)) {
        state.SkipWithError("cannot listen on loopback");
        return;
    }
    merchant::BackendRequest request
        = signedRequest(*backend, "/UserApi/Index/getUserInfo", "cardnum=88000002");
    std::string url = "http://" + server.host() + request.path;
    std::string qvkey = "qvkey: " + request.headers["qvkey"];
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded");
    headers = curl_slist_append(headers, qvkey.c_str());
    std::string body;
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, request.body.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(
        curl.get(), CURLOPT_WRITEFUNCTION, +[](char* data, std::size_t size, std::size_t count, void* user) {
            static_cast<std::string*>(user)->append(data, size * count);
            return size * count;
        });
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
    for (auto _ : state) {
        body.clear();
        if (curl_easy_perform(curl.get()) != CURLE_OK) {
            state.SkipWithError("request failed");
            break;
        }
        benchmark::DoNotOptimize(body.data());
    }
    state.SetItemsProcessed(state.iterations());
    curl_slist_free_all(headers);
    server.stop();
}
BENCHMARK(BM_LoopbackMemberDetail)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
