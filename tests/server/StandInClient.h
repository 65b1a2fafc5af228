#pragma once

#include "api/DesCipher.h"
#include "server/MerchantBackend.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

// Talks to the back end in process exactly as the app does: "key=value"
// pairs joined by "&" without escaping, DES under the pair's encryption key,
// the bare Base64 as body and the pair's key in "qvkey".
class StandInClient {
public:
    using Json = nlohmann::ordered_json;
    using Params = std::vector<std::pair<std::string, std::string>>;

    explicit StandInClient(merchant::MerchantBackend& backend)
        : m_backend(backend)
        , m_keys(backend.keys())
    {
    }

    static std::string formText(const Params& params)
    {
        std::string text;
        for (const auto& [key, value] : params)
            text += key + "=" + value + "&";
        if (text.size() >= 2)
            text.pop_back();
        return text;
    }

    bool isMemberPath(const std::string& path) const { return path.rfind("/UserApi/", 0) == 0; }
    std::string headerKey(const std::string& path) const
    {
        return isMemberPath(path) ? m_keys.memberKey : m_keys.collectionKey;
    }
    std::string secret(const std::string& path) const
    {
        return isMemberPath(path) ? m_keys.memberSecret : m_keys.collectionSecret;
    }

    merchant::BackendRequest request(const std::string& path, const Params& params) const
    {
        merchant::BackendRequest request;
        request.path = path;
        request.headers["content-type"] = "application/x-www-form-urlencoded";
        request.headers["qvkey"] = headerKey(path);
        std::string text = formText(params);
        if (!text.empty())
            request.body = DesCipher::encode(text, secret(path));
        return request;
    }

    merchant::BackendReply send(const std::string& path, const Params& params = {})
    {
        return m_backend.handle(request(path, params));
    }

    // The decrypted JSON envelope; a test fails when the reply is not one.
    Json call(const std::string& path, const Params& params = {})
    {
        merchant::BackendReply reply = send(path, params);
        EXPECT_EQ(reply.status, 200) << path;
        return decrypt(path, reply.body);
    }

    Json decrypt(const std::string& path, const std::string& body) const
    {
        auto plain = DesCipher::decode(body, secret(path));
        Json json = Json::parse(plain.value_or(""), nullptr, false);
        EXPECT_FALSE(json.is_discarded()) << path << " replied " << body;
        return json.is_discarded() ? Json::object() : json;
    }

    Json hook(const std::string& name, const Json& body = Json::object())
    {
        merchant::BackendRequest request;
        request.path = std::string(merchant::MerchantBackend::kHookPrefix) + name;
        request.body = body.dump();
        merchant::BackendReply reply = m_backend.handle(request);
        EXPECT_EQ(reply.status, 200) << name << ": " << reply.body;
        return Json::parse(reply.body, nullptr, false);
    }

    const merchant::MerchantState::KeyPairs& keys() const { return m_keys; }

private:
    merchant::MerchantBackend& m_backend;
    merchant::MerchantState::KeyPairs m_keys;
};

// A back end whose clock stands still at a fixed local afternoon, so the
// seed's "today" and every time stamp are reproducible.
class StandInTest : public ::testing::Test {
protected:
    static constexpr merchant::Seconds kNow = 1'765'008'000; // 2025-12-06 16:00 in Asia/Shanghai

    StandInTest()
        : backend([] { return kNow; })
        , client(backend)
    {
    }

    // A barcode payment; the code's last digit picks the outcome.
    nlohmann::ordered_json barcode(
        const std::string& code, const std::string& money = "12.00", const std::string& wallet = "alipay")
    {
        return client.call("/PayApi/OfflinePay/barcode",
            { { "money", money }, { "dynamic_id", code }, { "m_paytype", wallet } });
    }

    static std::string text(const nlohmann::ordered_json& value)
    {
        return value.is_string() ? value.get<std::string>() : value.dump();
    }

    merchant::MerchantBackend backend;
    StandInClient client;
};
