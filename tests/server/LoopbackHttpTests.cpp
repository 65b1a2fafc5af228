#include "api/DesCipher.h"
#include "server/MerchantHttpServer.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

namespace {

using Json = nlohmann::ordered_json;

struct CurlReply {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string body;
};

// One real HTTP exchange with the server through libcurl, as the app's
// transport makes it: POST with the form content type and a "qvkey" header.
CurlReply exchange(const std::string& url, const std::string* body, const std::vector<std::string>& headers)
{
    CurlReply reply;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    curl_slist* list = nullptr;
    for (const std::string& header : headers)
        list = curl_slist_append(list, header.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, 5000L);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    if (body) {
        curl_easy_setopt(curl.get(), CURLOPT_POST, 1L);
        curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, body->data());
        curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(body->size()));
    }
    curl_easy_setopt(
        curl.get(), CURLOPT_WRITEFUNCTION, +[](char* data, std::size_t size, std::size_t count, void* user) {
            static_cast<std::string*>(user)->append(data, size * count);
            return size * count;
        });
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &reply.body);
    reply.code = curl_easy_perform(curl.get());
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &reply.status);
    curl_slist_free_all(list);
    return reply;
}

class LoopbackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start(0));
        keys = backend->keys();
    }
    void TearDown() override { server.stop(); }

    std::string url(const std::string& path) const { return "http://" + server.host() + path; }

    CurlReply signedPost(
        const std::string& path, const std::string& form, const std::string& key, const std::string& secret)
    {
        std::string body = form.empty() ? "" : DesCipher::encode(form, secret);
        return exchange(
            url(path), &body, { "Content-Type: application/x-www-form-urlencoded", "qvkey: " + key });
    }
    CurlReply memberPost(const std::string& path, const std::string& form)
    {
        return signedPost(path, form, keys.memberKey, keys.memberSecret);
    }
    Json decrypt(const CurlReply& reply, const std::string& secret)
    {
        return Json::parse(DesCipher::decode(reply.body, secret).value_or(""), nullptr, false);
    }

    std::shared_ptr<merchant::MerchantBackend> backend = std::make_shared<merchant::MerchantBackend>();
    merchant::MerchantHttpServer server { backend };
    merchant::MerchantState::KeyPairs keys;
};

TEST_F(LoopbackTest, signed_request_over_http_gets_an_encrypted_reply)
{
    CurlReply shop
        = signedPost("/PayApi/OfflinePay/getShopInfo/", "", keys.collectionKey, keys.collectionSecret);
    ASSERT_EQ(shop.code, CURLE_OK);
    EXPECT_EQ(shop.status, 200);
    EXPECT_EQ(decrypt(shop, keys.collectionSecret)["data"]["ali_c"], "1");

    // Base64 "+", "/" and "=" travel raw in the body and must survive the server's form handling.
    CurlReply member = memberPost("/UserApi/Index/getUserInfo", "cardnum=88000002");
    Json detail = decrypt(member, keys.memberSecret);
    EXPECT_EQ(detail["data"]["truename"], "王芳");
    EXPECT_EQ(detail["data"]["portrait"], "http://" + server.host() + "/images/portrait/2.png")
        << "full URLs name the bound port";

    CurlReply wrong = signedPost("/PayApi/OfflinePay/getShopInfo/", "", "bogus", keys.collectionSecret);
    EXPECT_EQ(wrong.status, 403);
    EXPECT_TRUE(wrong.body.empty());
}

TEST_F(LoopbackTest, qr_image_and_portrait_are_served_as_png)
{
    std::string form = "money=8.00&m_paytype=alipay&mid=8";
    Json created
        = decrypt(signedPost("/PayApi/OfflinePay/qrcode/", form, keys.collectionKey, keys.collectionSecret),
            keys.collectionSecret);
    std::string picUrl = created["data"]["pic_url"];
    CurlReply image = exchange(picUrl, nullptr, {});
    EXPECT_EQ(image.status, 200);
    EXPECT_EQ(image.body.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(exchange(url("/images/portrait/1.png"), nullptr, { "Accept: image/*;q=0.8" }).status, 200);
    EXPECT_EQ(exchange(url("/images/portrait/none.png"), nullptr, {}).status, 404);
}

TEST_F(LoopbackTest, concurrent_clients_each_get_their_own_order)
{
    std::vector<std::thread> threads;
    std::vector<std::vector<std::string>> ids(4);
    for (std::size_t t = 0; t < ids.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i) {
                CurlReply reply = signedPost("/PayApi/OfflinePay/barcode",
                    "money=1.00&dynamic_id=281&m_paytype=alipay", keys.collectionKey, keys.collectionSecret);
                Json json = Json::parse(
                    DesCipher::decode(reply.body, keys.collectionSecret).value_or("{}"), nullptr, false);
                if (json.is_object() && json.contains("data"))
                    ids[t].push_back(json["data"]["orderid"]);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::set<std::string> unique;
    for (const auto& list : ids) {
        EXPECT_EQ(list.size(), 10u);
        unique.insert(list.begin(), list.end());
    }
    EXPECT_EQ(unique.size(), 40u);
}

} // namespace
