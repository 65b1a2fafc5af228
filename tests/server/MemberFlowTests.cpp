#include "StandInClient.h"
#include "api/DesCipher.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kMembers = "/UserApi/Index/getMemberList";
constexpr const char* kInfo = "/UserApi/Index/getUserInfo";
constexpr const char* kCoupons = "/UserApi/Index/getCoupon";
constexpr const char* kPay = "/UserApi/Index/payOrder/";
constexpr const char* kRecharge = "/UserApi/Index/recharge/";
constexpr const char* kPassLog = "/UserApi/Index/getCouponSendLog/";
constexpr const char* kVerify = "/UserApi/Index/verifyCode/";

class MemberFlowTest : public StandInTest {
protected:
    Json member(const std::string& cardnum) { return client.call(kInfo, { { "cardnum", cardnum } })["data"]; }
    std::vector<std::string> couponIds(const std::string& memberid)
    {
        std::vector<std::string> ids;
        Json reply = client.call(kCoupons, { { "memberid", memberid } });
        for (const Json& coupon : reply["data"])
            ids.push_back(text(coupon["id"]));
        return ids;
    }
    std::string paidOrder(const std::string& money)
    {
        return text(barcode("1300000000000001", money, "wxpay")["data"]["orderid"]);
    }
    Json verify(const std::string& type, const std::string& code)
    {
        return client.call(kVerify, { { "passtype", type }, { "vcode", code } });
    }
};

TEST_F(MemberFlowTest, member_list_count_is_all_matches_even_past_the_last_page)
{
    auto page = [&](const std::string& number, StandInClient::Params extra = {}) {
        StandInClient::Params params { { "currentpage", number }, { "pagesize", "10" } };
        params.insert(params.end(), extra.begin(), extra.end());
        return client.call(kMembers, params)["data"];
    };
    EXPECT_EQ(page("1")["list"].size(), 10u);
    EXPECT_EQ(page("3")["list"].size(), 5u);
    Json past = page("4");
    EXPECT_EQ(past["list"].size(), 0u);
    EXPECT_EQ(past["count"], "25");
    Json gold = page("1", { { "cardid", "102" } });
    EXPECT_EQ(gold["count"], "8");
    for (const Json& row : gold["list"])
        EXPECT_EQ(row["cardname"], "金卡");
}

TEST_F(MemberFlowTest, keyword_is_unescaped_only_when_the_request_says_so)
{
    std::string escaped = DesCipher::urlEncode("王芳");
    Json found = client.call(kMembers,
        { { "currentpage", "1" }, { "pagesize", "10" }, { "keyword", escaped }, { "urlencode", "1" } });
    ASSERT_EQ(found["data"]["count"], "1");
    EXPECT_EQ(found["data"]["list"][0]["truename"], "王芳");
    Json literal
        = client.call(kMembers, { { "currentpage", "1" }, { "pagesize", "10" }, { "keyword", escaped } });
    EXPECT_EQ(literal["data"]["count"], "0");
    EXPECT_EQ(literal["info"], "没有找到相关会员") << "the search screen shows this text";
    Json byPhone = client.call(kMembers,
        { { "currentpage", "1" }, { "pagesize", "10" }, { "keyword", "13800130013" }, { "urlencode", "1" } });
    EXPECT_EQ(byPhone["data"]["count"], "1");
}

TEST_F(MemberFlowTest, detail_keeps_a_deliberate_null_and_three_decimal_balance)
{
    EXPECT_TRUE(member("88000005")["qq"].is_null());
    EXPECT_EQ(member("88000004")["freemoney"], "12.345");
    EXPECT_EQ(member("88000001")["nopwd"], "1");
    EXPECT_EQ(client.call(kInfo, { { "cardnum", "404" } })["status"], "0");
    EXPECT_EQ(client.call(kInfo)["status"], "0");
}

TEST_F(MemberFlowTest, card_and_coupon_prices_match_the_app_estimate)
{
    EXPECT_EQ(client.call("/UserApi/Index/memcOrder/",
                  { { "memberid", "2" }, { "totalprice", "100.00" } })["data"]["actualprice"],
        "85.00");
    auto price = [&](const std::string& coupon, const std::string& total) {
        return client.call("/UserApi/Index/calcOrder/",
            { { "memberid", "1" }, { "totalprice", total }, { "couponid", coupon } });
    };
    EXPECT_EQ(price("1", "120.00")["data"]["actualprice"], "100.00");
    EXPECT_EQ(price("1", "80.00")["data"]["actualprice"], "80.00")
        << "below the condition nothing is taken off";
    EXPECT_EQ(price("2", "60.00")["data"]["actualprice"], "54.00");
    EXPECT_EQ(price("5", "60.00")["status"], "0") << "an expired coupon";
    EXPECT_EQ(price("6", "60.00")["status"], "0") << "another member's coupon";
    EXPECT_EQ(couponIds("1"), (std::vector<std::string> { "1", "2", "3" }));
}

TEST_F(MemberFlowTest, purchase_spends_balance_once_even_when_submitted_twice)
{
    StandInClient::Params purchase { { "memberid", "2" }, { "mark", "%E5%A4%87%E6%B3%A8+1" },
        { "reverseid", "1765008000123" }, { "totalprice", "100.00" }, { "cardid", "102" },
        { "actualprice", "85.00" }, { "bycash", "5.00" }, { "bymoney", "80.00" } };
    Json first = client.call(kPay, purchase);
    ASSERT_EQ(first["status"], "1") << first;
    EXPECT_EQ(first["data"]["status"], "1");
    EXPECT_EQ(backend.requestLog().back().params["mark"], "备注+1") << "mark is unescaped and its + kept";
    Json after = member("88000002");
    EXPECT_EQ(after["money"], "140.00");
    EXPECT_EQ(after["expensecount"], "3");
    EXPECT_EQ(client.call(kPay, purchase)["data"]["orderid"], first["data"]["orderid"]);
    EXPECT_EQ(member("88000002")["money"], "140.00");

    purchase[2].second = "2";
    purchase[7].second = "81.00";
    EXPECT_EQ(client.call(kPay, purchase)["status"], "0") << "parts must add up to the price";
    purchase[5].second = "90.00";
    purchase[7].second = "85.00";
    EXPECT_EQ(client.call(kPay, purchase)["status"], "0") << "the price must be the card price";
    StandInClient::Params broke { { "memberid", "7" }, { "reverseid", "9" }, { "totalprice", "10.00" },
        { "actualprice", "10.00" }, { "bymoney", "10.00" } };
    EXPECT_EQ(client.call(kPay, broke)["status"], "0");
    broke[0].second = "6";
    EXPECT_EQ(client.call(kPay, broke)["status"], "0") << "a locked member cannot buy";
}

TEST_F(MemberFlowTest, balance_spends_stored_money_before_gift_money)
{
    StandInClient::Params purchase { { "memberid", "2" }, { "reverseid", "77" }, { "totalprice", "230.00" },
        { "actualprice", "230.00" }, { "bymoney", "230.00" } };
    ASSERT_EQ(client.call(kPay, purchase)["status"], "1");
    Json after = member("88000002");
    EXPECT_EQ(after["money"], "0.00");
    EXPECT_EQ(after["freemoney"], "10.00");
}

TEST_F(MemberFlowTest, balance_is_checked_against_the_total_the_app_shows)
{
    auto pay = [&](const std::string& reverseid, const std::string& amount) {
        return client.call(kPay,
            { { "memberid", "4" }, { "reverseid", reverseid }, { "totalprice", amount },
                { "actualprice", amount }, { "bymoney", amount } });
    };
    EXPECT_EQ(pay("40", "252.36")["info"], "会员余额不足");
    Json paid = pay("41", "252.35");
    ASSERT_EQ(paid["status"], "1") << "240.00 + 12.345 is shown as 252.35: " << paid;
    Json after = member("88000004");
    EXPECT_EQ(after["money"], "0.00");
    EXPECT_EQ(after["freemoney"], "0.00") << "the half cent that rounding added is not owed";
}

TEST_F(MemberFlowTest, coupon_below_its_condition_is_refused_and_kept)
{
    Json refused = client.call(kPay,
        { { "memberid", "1" }, { "reverseid", "50" }, { "totalprice", "80.00" }, { "couponid", "1" },
            { "actualprice", "80.00" }, { "bycash", "80.00" } });
    EXPECT_EQ(refused["status"], "0");
    EXPECT_EQ(refused["info"], "未达到优惠券使用条件");
    EXPECT_EQ(couponIds("1"), (std::vector<std::string> { "1", "2", "3" }));
    EXPECT_EQ(member("88000001")["expensecount"], "1");
}

TEST_F(MemberFlowTest, money_off_coupon_worth_more_than_the_total_charges_the_total_and_is_kept)
{
    Json paid = client.call(kPay,
        { { "memberid", "1" }, { "reverseid", "51" }, { "totalprice", "3.00" }, { "couponid", "3" },
            { "actualprice", "3.00" }, { "bycash", "3.00" } });
    ASSERT_EQ(paid["status"], "1") << paid;
    EXPECT_EQ(couponIds("1"), (std::vector<std::string> { "1", "2", "3" }));
}

TEST_F(MemberFlowTest, price_estimated_by_the_app_may_be_one_cent_off)
{
    // 0.30 at 9.5 is 0.285: the stand-in quotes 0.29, the app's double
    // arithmetic gives 0.28.
    auto pay = [&](const std::string& reverseid, const std::string& actual) {
        return client.call(kPay,
            { { "memberid", "1" }, { "reverseid", reverseid }, { "totalprice", "0.30" }, { "cardid", "101" },
                { "actualprice", actual }, { "bycash", actual } });
    };
    EXPECT_EQ(pay("60", "0.27")["status"], "0");
    EXPECT_EQ(pay("61", "0.28")["status"], "1");
    EXPECT_EQ(pay("62", "0.30")["status"], "1");
}

TEST_F(MemberFlowTest, paid_collection_order_pays_one_member_purchase_only)
{
    std::string orderid = paidOrder("100.00");
    StandInClient::Params purchase { { "memberid", "1" }, { "reverseid", "1" }, { "totalprice", "120.00" },
        { "couponid", "1" }, { "actualprice", "100.00" }, { "m_money", "100.00" }, { "m_orderid", orderid } };
    ASSERT_EQ(client.call(kPay, purchase)["status"], "1");
    EXPECT_EQ(couponIds("1"), (std::vector<std::string> { "2", "3" })) << "the coupon is used up";
    purchase[1].second = "2";
    purchase[3].second = "3";
    purchase[4].second = "115.00";
    purchase[5].second = "115.00";
    EXPECT_EQ(client.call(kPay, purchase)["status"], "0") << "the same payment twice";

    std::string waiting = text(barcode("287", "10.00")["data"]["orderid"]);
    StandInClient::Params recharge { { "memberid", "3" }, { "ruleid", "0" }, { "reverseid", "5" },
        { "totalprice", "10.00" }, { "m_money", "10.00" }, { "m_orderid", waiting } };
    EXPECT_EQ(client.call(kRecharge, recharge)["status"], "0") << "an unpaid order pays nothing";
    recharge[5].second = paidOrder("9.99");
    EXPECT_EQ(client.call(kRecharge, recharge)["status"], "0") << "the order's amount must match";
}

TEST_F(MemberFlowTest, recharge_adds_the_rule_gift_only_from_its_threshold)
{
    Json before = member("88000003");
    ASSERT_EQ(client.call(kRecharge,
                  { { "memberid", "3" }, { "ruleid", "2" }, { "reverseid", "1" }, { "totalprice", "500.00" },
                      { "bycash", "500.00" } })["status"],
        "1");
    Json after = member("88000003");
    EXPECT_EQ(after["money"], "730.00");
    EXPECT_EQ(after["freemoney"], "140.00");
    EXPECT_EQ(std::stoi(text(after["score"])), std::stoi(text(before["score"])) + 100);
    ASSERT_EQ(client.call(kRecharge,
                  { { "memberid", "3" }, { "ruleid", "1" }, { "reverseid", "2" }, { "totalprice", "50.00" },
                      { "bycash", "50.00" } })["status"],
        "1");
    EXPECT_EQ(member("88000003")["freemoney"], "140.00");
    EXPECT_EQ(client.call(kRecharge,
                  { { "memberid", "3" }, { "ruleid", "9" }, { "reverseid", "3" }, { "totalprice", "5.00" },
                      { "bycash", "5.00" } })["status"],
        "0");
}

TEST_F(MemberFlowTest, points_grant_adds_score_and_unescapes_reason)
{
    auto grant = [&](const std::string& score) {
        return client.call("/UserApi/Index/reScore/",
            { { "score", score }, { "memberid", "1" }, { "reason", "%E7%94%9F%E6%97%A5" },
                { "info", "a&b=c" } });
    };
    EXPECT_EQ(grant("50")["status"], "1");
    EXPECT_EQ(backend.requestLog().back().params["reason"], "生日");
    EXPECT_EQ(backend.requestLog().back().params["info"], "a&b=c") << "an & inside a value is kept";
    EXPECT_EQ(member("88000001")["score"], "150");
    EXPECT_EQ(grant("0")["status"], "0");
    EXPECT_EQ(grant("-3")["status"], "0");
    EXPECT_EQ(grant("123456789012")["status"], "0");
    EXPECT_EQ(client.call("/UserApi/Index/memberPaypwd/",
                  { { "memberid", "2" }, { "password", "E10ADC3949BA59ABBE56E057F20F883E" } })["status"],
        "1");
    EXPECT_EQ(client.call("/UserApi/Index/memberPaypwd/",
                  { { "memberid", "2" }, { "password", "d41d8cd98f00b204e9800998ecf8427e" } })["status"],
        "0");
}

TEST_F(MemberFlowTest, platform_pass_is_granted_verified_once_and_expires_by_clock)
{
    ASSERT_EQ(client.call("/UserApi/Index/sendPlatPass/",
                  { { "memberid", "2" }, { "modelid", "3" }, { "remarks", "a&b" } })["status"],
        "1");
    Json newest = client.call(kPassLog,
        { { "passtype", "platPass" }, { "currentpage", "1" }, { "pagesize", "10" }, { "sort", "desc" },
            { "field", "gettime" } })["data"]["list"][0];
    EXPECT_EQ(newest["remarks"], "a&b");
    EXPECT_EQ(newest["status"], "1");
    EXPECT_EQ(couponIds("2").size(), 2u) << "a granted pass is one of the member's coupons";
    std::string code = text(newest["vcode"]);
    EXPECT_EQ(verify("platPass", code)["status"], "1");
    EXPECT_EQ(verify("platPass", code)["info"], "该券已使用");
    EXPECT_EQ(verify("platPass", "660000000005")["info"], "该券已过期");
    EXPECT_EQ(verify("platPass", "nope")["info"], "核销码无效");

    Json used = client.call(kPassLog,
        { { "passtype", "platPass" }, { "status", "-1" }, { "currentpage", "1" }, { "pagesize", "10" },
            { "sort", "desc" }, { "field", "usetime" } })["data"]["list"];
    ASSERT_FALSE(used.empty());
    EXPECT_EQ(used[0]["vcode"], code) << "most recently used first";
    EXPECT_EQ(
        client
            .call(kPassLog,
                { { "passtype", "platPass" }, { "currentpage", "3" }, { "pagesize", "10" } })["data"]["list"]
            .size(),
        2u);

    client.hook("clock", { { "advance", 61 * 86400 } });
    EXPECT_TRUE(couponIds("1").empty());
    EXPECT_EQ(verify("platPass", "660000000001")["info"], "该券已过期");
}

TEST_F(MemberFlowTest, wallet_passes_are_granted_to_linked_members_and_verified_by_state)
{
    auto send = [&](const std::string& openId) {
        return client.call("/UserApi/Index/sendAlipass", { { "tpl_id", "2016002" }, { "open_id", openId } });
    };
    EXPECT_EQ(send("")["status"], "0") << "a member without an Alipay link";
    ASSERT_EQ(send("2088ali000001")["status"], "1");
    Json log = client.call(
        "/UserApi/Index/aliPassLog", { { "currentpage", "1" }, { "pagesize", "10" } })["data"]["list"];
    ASSERT_EQ(log.size(), 10u);
    EXPECT_EQ(log[0]["status"], "ZERO");
    EXPECT_EQ(log[0]["truename"], "张伟");
    EXPECT_EQ(verify("aliPass", text(log[0]["verify_code"]))["status"], "1");
    EXPECT_EQ(client
                  .call("/UserApi/Index/aliPassLog",
                      { { "status", "USED" }, { "currentpage", "1" }, { "pagesize", "10" } })["data"]["count"],
        "12");
    EXPECT_EQ(verify("aliPass", "770000000003")["info"], "该券已过期");

    ASSERT_EQ(client.call("/UserApi/Index/sendWxpass",
                  { { "card_id", "pWx0001" }, { "wecha_id", "oWx_member_0003" } })["status"],
        "1");
    EXPECT_EQ(verify("wxPass", "880000000001")["status"], "1");
    EXPECT_EQ(verify("wxPass", "880000000001")["info"], "该券已使用");
    EXPECT_EQ(verify("wxPass", "880000000003")["status"], "0") << "a pass given on cannot be written off";
    EXPECT_EQ(verify("aliPass", "880000000002")["status"], "0")
        << "codes are looked up within their own kind";
    EXPECT_TRUE(client.call("/UserApi/Index/alipassList")["data"][0]["market_price"].is_number());
}

} // namespace
