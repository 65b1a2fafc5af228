#include "api/JsonUtil.h"

#include <gtest/gtest.h>

TEST(JsonUtil, NothingParsesFromAbsentBrokenOrScalarText)
{
    EXPECT_EQ(JsonUtil::getJSONObject(std::nullopt), std::nullopt);
    EXPECT_EQ(JsonUtil::getJSONObject(""), std::nullopt);
    EXPECT_EQ(JsonUtil::getJSONObject("{\"status\":"), std::nullopt);
    EXPECT_EQ(JsonUtil::getJSONObject("\"1\""), std::nullopt);
    EXPECT_EQ(JsonUtil::getJSONObject("\xff{}"), std::nullopt);
    EXPECT_TRUE(JsonUtil::getJSONObject("[]"));
}

TEST(JsonUtil, OnlyTheTextOneIsSuccess)
{
    EXPECT_TRUE(JsonUtil::isSuccess(JsonUtil::getJSONObject(R"({"status":"1"})")));
    EXPECT_FALSE(JsonUtil::isSuccess(JsonUtil::getJSONObject(R"({"status":1})")));
    EXPECT_FALSE(JsonUtil::isSuccess(JsonUtil::getJSONObject(R"({"status":"0"})")));
    EXPECT_FALSE(JsonUtil::isSuccess(JsonUtil::getJSONObject(R"({"status":"1 "})")));
    EXPECT_FALSE(JsonUtil::isSuccess(JsonUtil::getJSONObject(R"({"info":"ok"})")));
    EXPECT_FALSE(JsonUtil::isSuccess(JsonUtil::getJSONObject(R"(["1"])")));
    EXPECT_FALSE(JsonUtil::isSuccess(std::nullopt));
}

TEST(JsonUtil, EnvelopeReadersGiveNeutralAnswersForOddReplies)
{
    auto const reply
        = JsonUtil::getJSONObject(R"({"status":"0","info":"密码错误","data":{"list":[],"count":"0"}})");
    EXPECT_EQ(JsonUtil::info(reply), "密码错误");
    EXPECT_TRUE(JsonUtil::data(reply).is_object());

    auto const odd = JsonUtil::getJSONObject(R"({"info":null,"data":null})");
    EXPECT_EQ(JsonUtil::info(odd), std::nullopt);
    EXPECT_TRUE(JsonUtil::data(odd).is_null());
    EXPECT_TRUE(JsonUtil::data(std::nullopt).is_null());
    EXPECT_EQ(JsonUtil::info(std::nullopt), std::nullopt);
}
