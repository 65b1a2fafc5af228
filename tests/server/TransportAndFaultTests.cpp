#include "StandInClient.h"
#include "api/DesCipher.h"
#include "server/FormParams.h"
#include "server/MoneyText.h"

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace {

using Json = nlohmann::ordered_json;
using merchant::FormParams;
using merchant::MoneyText;

constexpr const char* kShop = "/PayApi/OfflinePay/getShopInfo/";
constexpr const char* kCards = "/UserApi/Index/getCardList";

TEST(FormParamsTest, unescaped_ampersand_and_equals_inside_values_lose_no_data)
{
    std::vector<std::string> keys { "memberid", "modelid", "remarks" };
    FormParams params = FormParams::parseSigned("remarks=tea & cake=2&x&memberid=5&modelid=3", keys);
    EXPECT_EQ(params.value("remarks"), "tea & cake=2&x");
    EXPECT_EQ(params.value("memberid"), "5");
    EXPECT_EQ(params.value("modelid"), "3");

    FormParams repeated = FormParams::parseSigned("remarks=a&remarks=b&memberid=1", keys);
    EXPECT_EQ(repeated.value("remarks"), "a&remarks=b") << "a key already seen cannot start a new pair";

    FormParams first = FormParams::parseSigned("unknown=1&memberid=2", keys);
    EXPECT_EQ(first.value("unknown"), "1");
    EXPECT_EQ(FormParams::parseSigned("", keys).size(), 0u);
    EXPECT_EQ(FormParams::parseSigned("&&&", keys).size(), 1u);
}

TEST(FormParamsTest, percent_decoding_keeps_plus_and_malformed_escapes)
{
    EXPECT_EQ(FormParams::percentDecode("%E7%94%9F+%2B%2f"), "生++/");
    EXPECT_EQ(FormParams::percentDecode("100%"), "100%");
    EXPECT_EQ(FormParams::percentDecode("%zz%4"), "%zz%4");
    FormParams form = FormParams::parseUrlEncoded("key=a+b%20c&password=%E7%94%9F&flag");
    EXPECT_EQ(form.value("key"), "a b c");
    EXPECT_EQ(form.value("password"), "生");
    EXPECT_TRUE(form.has("flag"));
}

TEST(MoneyTextTest, typed_amounts_are_read_exactly_and_junk_is_refused)
{
    EXPECT_EQ(MoneyText::parse("5."), 5000);
    EXPECT_EQ(MoneyText::parse(".5"), 500);
    EXPECT_EQ(MoneyText::parse("12.345"), 12345);
    EXPECT_EQ(MoneyText::parse("0.0005"), 1);
    for (const char* junk : { "", ".", "-1", "1e3", "1,5", " 1", "nan", "99999999999999999999" })
        EXPECT_FALSE(MoneyText::parse(junk)) << junk;
    EXPECT_EQ(MoneyText::format(12345), "12.35");
    EXPECT_EQ(MoneyText::format(-5), "-0.01");
    EXPECT_EQ(MoneyText::formatExact(12345), "12.345");
    EXPECT_EQ(MoneyText::formatExact(12340), "12.34");
}

class TransportTest : public StandInTest { };

TEST_F(TransportTest, wrong_or_missing_key_and_wrong_secret_answer_403_with_no_body)
{
    merchant::BackendRequest request = client.request(kShop, { { "a", "1" } });
    request.headers["qvkey"] = client.keys().memberKey; // a member key on a collection path
    merchant::BackendReply reply = backend.handle(request);
    EXPECT_EQ(reply.status, 403);
    EXPECT_TRUE(reply.body.empty());
    request.headers.erase("qvkey");
    EXPECT_EQ(backend.handle(request).status, 403);

    request = client.request(kShop, {});
    request.body = DesCipher::encode("a=1", "not-the-secret");
    EXPECT_EQ(backend.handle(request).status, 403);
    EXPECT_EQ(backend.requestLog().back().key, "collection");

    request.path = "/PayApi/OfflinePay/getShopInfo"; // paths are exact, slash included
    EXPECT_EQ(backend.handle(request).status, 404);
}

TEST_F(TransportTest, body_without_parameters_and_escaped_body_both_decrypt)
{
    EXPECT_EQ(client.call(kCards)["data"].size(), 3u);
    merchant::BackendRequest request
        = client.request("/UserApi/Index/getUserInfo", { { "cardnum", "88000001" } });
    std::string escaped;
    for (char c : request.body)
        escaped += c == '+' ? std::string("%2B")
            : c == '/'      ? std::string("%2F")
            : c == '='      ? std::string("%3D")
                            : std::string(1, c);
    request.body = escaped;
    merchant::BackendReply reply = backend.handle(request);
    EXPECT_EQ(client.decrypt("/UserApi/Index/getUserInfo", reply.body)["status"], "1");
}

TEST_F(TransportTest, request_log_shows_key_and_decrypted_parameters)
{
    client.call("/UserApi/Index/getCoupon", { { "memberid", "1" } });
    client.call(kShop);
    std::vector<merchant::LoggedRequest> log = backend.requestLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].path, "/UserApi/Index/getCoupon");
    EXPECT_EQ(log[0].key, "member");
    EXPECT_EQ(log[0].qvkey, client.keys().memberKey);
    EXPECT_EQ(log[0].plain, "memberid=1");
    EXPECT_EQ(log[0].params["memberid"], "1");
    EXPECT_EQ(log[1].params, Json::object());
    Json overHook = client.hook("log")["log"];
    EXPECT_EQ(overHook.size(), 2u);
    client.hook("log/clear");
    EXPECT_TRUE(backend.requestLog().empty());
}

class FaultTest : public StandInTest {
protected:
    void fault(const std::string& kind, const std::string& path, int count = 1, Json extra = Json::object())
    {
        extra["kind"] = kind;
        extra["path"] = path;
        extra["count"] = count;
        client.hook("fault", extra);
    }
};

TEST_F(FaultTest, status_faults_hit_the_next_n_requests_of_their_path_only)
{
    fault("http500", kShop, 2);
    fault("http403", kCards, 1);
    EXPECT_EQ(client.send(kShop).status, 500);
    EXPECT_EQ(client.send(kCards).status, 403);
    EXPECT_EQ(client.send(kShop).status, 500);
    EXPECT_EQ(client.send(kShop).status, 200);
    EXPECT_EQ(client.send(kCards).status, 200);
    fault("http404", "", 1);
    EXPECT_EQ(client.send(kCards).status, 404) << "an empty path hits any path";
    EXPECT_EQ(backend.requestLog().back().fault, "http404");
}

TEST_F(FaultTest, permanent_fault_lasts_until_cleared_and_never_hits_hooks)
{
    fault("http500", "", 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(client.send(kCards).status, 500);
    client.hook("faults/clear");
    EXPECT_EQ(client.send(kCards).status, 200);
    fault("http500", "/UserApi/*", 0);
    EXPECT_EQ(client.send(kCards).status, 500);
    EXPECT_EQ(client.send(kShop).status, 200);
    client.hook("reset");
    EXPECT_EQ(client.send(kCards).status, 200) << "reset clears faults";
}

TEST_F(FaultTest, body_faults_give_empty_garbage_or_a_refusal)
{
    fault("empty", kShop);
    merchant::BackendReply empty = client.send(kShop);
    EXPECT_EQ(empty.status, 200);
    EXPECT_TRUE(empty.body.empty());

    fault("undecryptable", kShop);
    merchant::BackendReply garbage = client.send(kShop);
    EXPECT_EQ(garbage.status, 200);
    EXPECT_FALSE(garbage.body.empty());
    EXPECT_EQ(DesCipher::decode(garbage.body, client.keys().collectionSecret).value_or(""), "");

    fault("status0", kShop, 1, { { "info", "系统维护中" } });
    Json refused = client.call(kShop);
    EXPECT_EQ(refused["status"], "0");
    EXPECT_EQ(refused["info"], "系统维护中");
    EXPECT_FALSE(refused.contains("data"));
}

TEST_F(FaultTest, slow_reply_is_served_late_and_its_effect_still_happens)
{
    fault("slow", "/PayApi/OfflinePay/barcode", 1, { { "delayMs", 12000 } });
    merchant::BackendReply reply = client.send("/PayApi/OfflinePay/barcode",
        { { "money", "5.00" }, { "dynamic_id", "281" }, { "m_paytype", "alipay" } });
    EXPECT_EQ(reply.delayMs, 12000);
    std::string orderid = client.decrypt(kShop, reply.body)["data"]["orderid"];
    EXPECT_EQ(
        client.call("/PayApi/OfflinePay/getOrderStatus/", { { "orderid", orderid } })["data"]["paystatus"],
        "1")
        << "the app timed out, but the customer paid";
    fault("slow", kShop);
    EXPECT_EQ(client.send(kShop).delayMs, 11000) << "by default just past the app's 10 s time-out";
}

TEST_F(FaultTest, drop_fault_asks_the_transport_to_close_without_reply)
{
    fault("drop", kCards);
    EXPECT_TRUE(client.send(kCards).dropConnection);
    EXPECT_FALSE(client.send(kCards).dropConnection);
}

TEST_F(FaultTest, dropped_reply_fault_settles_the_request_it_hides)
{
    const char* payOrder = "/UserApi/Index/payOrder/";
    StandInClient::Params purchase { { "memberid", "1" }, { "reverseid", "77" }, { "totalprice", "10.00" },
        { "actualprice", "10.00" }, { "bycash", "10.00" } };
    fault("dropReply", payOrder);
    merchant::BackendReply lost = client.send(payOrder, purchase);
    EXPECT_TRUE(lost.dropConnection);
    std::string settled = client.decrypt(payOrder, lost.body)["data"]["orderid"];
    EXPECT_EQ(client.call(payOrder, purchase)["data"]["orderid"], settled)
        << "the retry learns the settlement";
}

TEST_F(FaultTest, empty_image_fault_blanks_only_images)
{
    Json created = client.call(
        "/PayApi/OfflinePay/qrcode/", { { "money", "1.00" }, { "m_paytype", "alipay" }, { "mid", "8" } });
    std::string url = created["data"]["pic_url"];
    merchant::BackendRequest image;
    image.method = "GET";
    image.path = url.substr(url.find("/qr/"));
    fault("emptyImage", "", 1);
    EXPECT_EQ(client.send(kShop).status, 200);
    EXPECT_FALSE(client.send(kShop).body.empty()) << "an image fault leaves the signed API alone";
    merchant::BackendReply blank = backend.handle(image);
    EXPECT_EQ(blank.status, 200);
    EXPECT_TRUE(blank.body.empty());
    EXPECT_FALSE(backend.handle(image).body.empty());

    image.path = "/qr/000-1.png";
    EXPECT_EQ(backend.handle(image).status, 404);
    image.path = "/images/portrait/7.png";
    EXPECT_EQ(backend.handle(image).status, 200);
    image.path = "/images/portrait/../7.png";
    EXPECT_EQ(backend.handle(image).status, 404);
}

TEST_F(FaultTest, malformed_hooks_are_refused_without_changing_anything)
{
    merchant::BackendRequest request;
    request.path = "/__stand-in/fault";
    for (const char* body : { "[", "[1]", R"({"kind":"meteor"})", R"({"kind":5})" }) {
        request.body = body;
        EXPECT_EQ(backend.handle(request).status, 400) << body;
    }
    request.path = "/__stand-in/order";
    request.body = R"({"orderid":"1","action":"explode"})";
    EXPECT_EQ(backend.handle(request).status, 400);
    EXPECT_EQ(client.send(kShop).status, 200);
}

TEST_F(FaultTest, clock_hook_sets_and_advances_the_stand_in_time)
{
    EXPECT_EQ(client.hook("clock")["now"], kNow);
    EXPECT_EQ(client.hook("clock", { { "now", 1000 } })["now"], 1000);
    EXPECT_EQ(client.hook("clock", { { "advance", "60" } })["now"], 1060);
    std::string orderid = barcode("1", "1.00")["data"]["orderid"];
    EXPECT_EQ(client.call("/PayApi/OfflinePay/getOrderDetails",
                  { { "orderid", orderid }, { "m_paytype", "alipay" } })["data"]["paytime"],
        "1060");
}

// A request that holds the merchants' state (here stopped inside its handler
// by the clock) must not hold up work that needs none of it: decrypting a
// body, drawing a portrait, reading the request log.
TEST(LockScopeTest, work_outside_the_merchant_state_goes_on_while_a_handler_runs)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool armed = false;
    bool inside = false;
    bool released = false;
    merchant::MerchantBackend backend([&] {
        std::unique_lock lock(mutex);
        if (armed) {
            armed = false;
            inside = true;
            changed.notify_all();
            changed.wait(lock, [&] { return released; });
        }
        return merchant::Seconds { 1'765'008'000 };
    });
    StandInClient client(backend);
    {
        std::lock_guard lock(mutex);
        armed = true;
    }
    std::thread held([&] { client.send(kShop); });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return inside; });
    }

    auto others = std::async(std::launch::async, [&] {
        merchant::BackendRequest wrongSecret = client.request(kShop, {});
        wrongSecret.body = DesCipher::encode("a=1", "not-the-secret");
        merchant::BackendRequest portrait;
        portrait.method = "GET";
        portrait.path = "/images/portrait/3.png";
        merchant::BackendRequest log;
        log.path = "/__stand-in/log";
        return std::vector<int> { backend.handle(wrongSecret).status, backend.handle(portrait).status,
            backend.handle(log).status };
    });
    bool finished = others.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    changed.notify_all();
    held.join();
    EXPECT_TRUE(finished) << "held up behind the handler";
    EXPECT_EQ(others.get(), (std::vector<int> { 403, 200, 200 }));
}

} // namespace
