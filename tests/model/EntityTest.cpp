#include "api/URLConfig.h"
#include "model/CouponDiscountPriceEntity.h"
#include "model/CouponGrantEntity.h"
#include "model/CouponSendRecordEntity.h"
#include "model/LoginEntity.h"
#include "model/MemberDiscountPriceEntity.h"
#include "model/OrderEntity.h"
#include "model/PreferentialWayEntity.h"
#include "model/RechargeRuleEntity.h"
#include "model/ScoreReasonEntity.h"
#include "model/UserInfoEntity.h"
#include "model/VipCardEntity.h"
#include "model/VipDetailEntity.h"
#include "model/VipListEntity.h"

#include <gtest/gtest.h>

using foundation::Json;

namespace {

Json parse(std::string_view text)
{
    auto json = foundation::parseJsonObject(text);
    EXPECT_TRUE(json) << text;
    return json.value_or(Json());
}

template<typename... Entities> void buildEach(const Json* json)
{
    bool const allBuilt = ((Entities::initWithJSON(json) != nullptr) && ...);
    EXPECT_TRUE(allBuilt);
}

// Replies that the server should never send but a broken or hostile one can.
const char* const oddReplies[] = {
    "[]",
    "[1, \"2\", null]",
    R"({"id":null,"portrait":null,"money":null,"freemoney":null,"memberid":null,"actualprice":null})",
    R"({"id":7,"portrait":7,"money":1e308,"freemoney":1e308,"memberid":-9223372036854775808,"actualprice":"x"})",
    R"({"id":{},"portrait":[],"money":true,"freemoney":{"a":1},"memberid":[1],"actualprice":{}})",
    R"({"freemoney":"1e999","money":"-1e999","portrait":"/images","actualprice":"1e999"})",
    R"({"freemoney":"   ","money":"abc","actualprice":1.7976931348623157e308,"memberid":0.1})",
};

// The web host is process-wide: tests that point it elsewhere put it back.
class WebHostGuard {
public:
    explicit WebHostGuard(std::string host)
        : m_saved(URLConfig::webHost())
    {
        URLConfig::setWebHost(std::move(host));
    }
    ~WebHostGuard() { URLConfig::setWebHost(m_saved); }

private:
    std::string m_saved;
};

} // namespace

TEST(EntityOddInput, EveryEntityBuildsFromAbsentOrMalformedData)
{
    auto buildAll = [](const Json* json) {
        buildEach<LoginEntity, UserInfoEntity, OrderEntity, VipListEntity, VipDetailEntity, VipCardEntity,
            RechargeRuleEntity, PreferentialWayEntity, CouponGrantEntity, ScoreReasonEntity,
            CouponDiscountPriceEntity, MemberDiscountPriceEntity, CouponSendRecordEntity>(json);
    };
    buildAll(nullptr);
    buildAll(&foundation::valueForKey(Json(), "missing"));
    Json const scalar = "text";
    buildAll(&scalar);
    for (auto const* reply : oddReplies) {
        Json const json = parse(reply);
        buildAll(&json);
    }
}

TEST(EntityOddInput, NonTextValuesReadAsAbsent)
{
    auto const login
        = LoginEntity::initWithJSON(parse(R"({"id":7,"username":null,"truename":["x"],"job":"2"})"));
    EXPECT_EQ(login->id(), std::nullopt);
    EXPECT_EQ(login->username(), std::nullopt);
    EXPECT_EQ(login->truename(), std::nullopt);
    EXPECT_EQ(login->job(), "2");

    auto const detail = VipDetailEntity::initWithJSON(parse(R"({"qq":null,"sex":"1","address":""})"));
    EXPECT_EQ(detail->qq(), std::nullopt);
    EXPECT_EQ(detail->sex(), "1");
    EXPECT_EQ(detail->address(), "");

    auto const record = CouponSendRecordEntity::initWithJSON(parse(R"({"usetime":null,"vcode":"88"})"));
    EXPECT_EQ(record->usetime(), std::nullopt);
    EXPECT_EQ(record->vcode(), "88");
}

// The key table in EntityKeyTest reads each renamed field from the back end's key;
// the field's own name, or a list the reply should not carry, must not be read.
TEST(EntityFieldNames, FieldNamesAreNotKeys)
{
    auto const detail = VipDetailEntity::initWithJSON(
        parse(R"({"open_id":"o-1","wecha_id":"w-2","openId":"x","wechatId":"y"})"));
    EXPECT_EQ(detail->openId(), "o-1");
    EXPECT_EQ(detail->wechatId(), "w-2");

    auto const card = VipCardEntity::initWithJSON(parse(R"({"id":"3","vipArray":[{"id":"1"}]})"));
    EXPECT_TRUE(card->vipArray().empty());
}

TEST(EntityPortrait, OnlyImagesPathsGainTheWebHost)
{
    WebHostGuard const host("shop.test:81");
    auto portraitOf = [](std::string_view value) {
        Json const json = { { "portrait", value } };
        auto const list = VipListEntity::initWithJSON(json)->portrait();
        EXPECT_EQ(VipDetailEntity::initWithJSON(json)->portrait(), list);
        return list.value_or("<absent>");
    };
    EXPECT_EQ(portraitOf("/images/m/1.png"), "http://shop.test:81/images/m/1.png");
    EXPECT_EQ(portraitOf("http://cdn.test/images/1.png"), "http://cdn.test/images/1.png");
    EXPECT_EQ(portraitOf("/img/1.png"), "/img/1.png");
    EXPECT_EQ(portraitOf(""), "");
    EXPECT_EQ(VipListEntity::initWithJSON(parse("{}"))->portrait(), std::nullopt);
}

TEST(VipDetailMoney, TotalAddsTheRoundedBonus)
{
    auto const rounded = VipDetailEntity::initWithJSON(parse(R"({"money":"100","freemoney":"20.456"})"));
    EXPECT_EQ(rounded->freemoney(), "20.46");
    EXPECT_EQ(rounded->totalMoney(), "120.46");

    // Adding the unrounded bonus would give 0.01 here.
    auto const tiny = VipDetailEntity::initWithJSON(parse(R"({"money":"0.004","freemoney":"0.004"})"));
    EXPECT_EQ(tiny->freemoney(), "0.00");
    EXPECT_EQ(tiny->totalMoney(), "0.00");

    auto const noMoney = VipDetailEntity::initWithJSON(parse(R"({"freemoney":"5"})"));
    EXPECT_EQ(noMoney->totalMoney(), "5.00");
}

TEST(VipDetailMoney, WithoutBonusTotalIsMoneyUnformatted)
{
    auto const plain = VipDetailEntity::initWithJSON(parse(R"({"money":"100"})"));
    EXPECT_EQ(plain->totalMoney(), "100");
    EXPECT_EQ(plain->freemoney(), std::nullopt);

    auto const emptyBonus = VipDetailEntity::initWithJSON(parse(R"({"money":"100.5","freemoney":""})"));
    EXPECT_EQ(emptyBonus->totalMoney(), "100.5");
    EXPECT_EQ(emptyBonus->freemoney(), "");

    EXPECT_EQ(VipDetailEntity::initWithJSON(parse("{}"))->totalMoney(), std::nullopt);
}

TEST(DiscountPrice, MemberIdTakesNumbersAsDecimalText)
{
    auto memberid = [](std::string_view reply) {
        return MemberDiscountPriceEntity::initWithJSON(parse(reply))->memberid();
    };
    EXPECT_EQ(memberid(R"({"memberid":42})"), "42");
    EXPECT_EQ(memberid(R"({"memberid":"0042"})"), "0042");
    EXPECT_EQ(memberid(R"({"memberid":4.5})"), "4.5");
    EXPECT_EQ(memberid(R"({"memberid":null})"), std::nullopt);
    EXPECT_EQ(memberid("{}"), std::nullopt);
}

TEST(DiscountPrice, ActualPriceIsTheNumericValueOfTextOrNumber)
{
    auto member = [](std::string_view reply) {
        return MemberDiscountPriceEntity::initWithJSON(parse(reply))->actualprice();
    };
    auto coupon = [](std::string_view reply) {
        return CouponDiscountPriceEntity::initWithJSON(parse(reply))->actualprice();
    };
    EXPECT_DOUBLE_EQ(member(R"({"actualprice":"88.50"})"), 88.5);
    EXPECT_DOUBLE_EQ(member(R"({"actualprice":88.5})"), 88.5);
    EXPECT_DOUBLE_EQ(member(R"({"actualprice":" 12abc"})"), 12);
    EXPECT_DOUBLE_EQ(member("{}"), 0);
    EXPECT_DOUBLE_EQ(coupon(R"({"actualprice":"70"})"), 70);
    EXPECT_DOUBLE_EQ(coupon(R"({"actualprice":null})"), 0);
    EXPECT_DOUBLE_EQ(MemberDiscountPriceEntity::initWithJSON(nullptr)->actualprice(), 0);
}
