#include "StandInClient.h"
#include "server/DemoSeed.h"

namespace {

using Json = nlohmann::ordered_json;

enum class Shape { Object, Array, List, StatusOnly };

struct PathCase {
    std::string path;
    StandInClient::Params params;
    Shape shape;
    std::vector<std::string> fields;
};

class ReplyShapeTest : public StandInTest {
protected:
    // The seeded Alipay orders, by their place in the seed: 1 paid, 4 waiting,
    // 6 partly refunded, 8 an unpaid QR order.
    static std::string seeded(int serial) { return merchant::DemoSeed::orderNumber(kNow, serial); }
};

// Every path answers "1" with the fields the app reads, each a JSON string,
// so a renamed or retyped field shows up here before it reaches a screen.
TEST_F(ReplyShapeTest, every_path_answers_the_fields_the_app_reads_as_strings)
{
    std::string day = std::to_string(merchant::DemoSeed::localDayStart(kNow));
    std::string dayEnd = std::to_string(merchant::DemoSeed::localDayStart(kNow) + 86399);
    std::string md5 = merchant::DemoSeed::kPasswordMd5;
    std::vector<PathCase> cases {
        { "/PayApi/OfflinePay/checkStaff/", { { "username", "boss" }, { "password", md5 } }, Shape::Object,
            { "id", "username", "truename", "job" } },
        { "/PayApi/OfflinePay/getShopInfo/", {}, Shape::Object,
            { "company", "shopname", "nickname", "devicename", "ali_c", "wx_c", "bd_c" } },
        { "/PayApi/OfflinePay/qrcode/", { { "money", "1.00" }, { "m_paytype", "alipay" }, { "mid", "7" } },
            Shape::Object, { "orderid", "pic_url" } },
        { "/PayApi/OfflinePay/getOrderStatus/", { { "orderid", seeded(1) } }, Shape::Object,
            { "paystatus", "orderid", "paytime" } },
        { "/PayApi/OfflinePay/getMoneySum", { { "starttime", day }, { "endtime", dayEnd } }, Shape::Object,
            { "alipay_sum", "wxpay_sum", "bdpay_sum" } },
        { "/PayApi/OfflinePay/getOrderList",
            { { "m_paytype", "alipay" }, { "starttime", day }, { "endtime", dayEnd }, { "currentpage", "1" },
                { "pagesize", "10" } },
            Shape::List,
            { "orderid", "paytype", "paystatus", "is_refund", "buyer_account", "paytime", "paymoney",
                "pri_paymoney" } },
        { "/PayApi/OfflinePay/getOrderDetails", { { "orderid", seeded(1) }, { "m_paytype", "alipay" } },
            Shape::Object,
            { "orderid", "trade_no", "shopname", "buyer_account", "addtime", "paytime", "paytype",
                "paystatus", "is_refund", "payment", "paymoney", "pri_paymoney" } },
        { "/PayApi/OfflinePay/barcode",
            { { "money", "1.00" }, { "dynamic_id", "281" }, { "m_paytype", "alipay" } }, Shape::Object,
            { "orderid", "paystatus", "paytime" } },
        { "/PayApi/OfflinePay/cancel", { { "orderid", seeded(4) }, { "m_paytype", "alipay" } },
            Shape::StatusOnly, {} },
        { "/PayApi/OfflinePay/refund",
            { { "orderid", seeded(6) }, { "reason", "" }, { "mid", "7" }, { "refundmoney", "1" },
                { "username", "boss" }, { "password", md5 } },
            Shape::StatusOnly, {} },
        { "/PayApi/OfflinePay/repay", { { "orderid", seeded(8) }, { "m_paytype", "alipay" } }, Shape::Object,
            { "orderid", "paymoney", "pic_url" } },
        { "/UserApi/Index/getMemberList", { { "currentpage", "1" }, { "pagesize", "10" } }, Shape::List,
            { "truename", "cardnum", "portrait" } },
        { "/UserApi/Index/getCardList", {}, Shape::Array, { "cardname", "cardid" } },
        { "/UserApi/Index/getUserInfo", { { "cardnum", "88000001" } }, Shape::Object,
            { "truename", "cardnum", "portrait", "money", "freemoney", "score", "status", "getcardtime",
                "expiredate", "qq", "birthday", "tel", "address", "expensecount", "lastexpensetime",
                "refererid", "remarks", "id", "cardid", "cardname", "discountrate", "avail_score", "nopwd",
                "open_id", "wecha_id" } },
        { "/UserApi/Index/getCoupon", { { "memberid", "1" } }, Shape::Array,
            { "id", "type", "title", "conditionprice", "discountmoney", "discountrate" } },
        { "/UserApi/Index/memcOrder/", { { "memberid", "1" }, { "totalprice", "10.00" } }, Shape::Object,
            { "cardid", "cardname", "memberid", "discountrate", "totalprice", "actualprice" } },
        { "/UserApi/Index/calcOrder/",
            { { "memberid", "1" }, { "totalprice", "10.00" }, { "couponid", "3" } }, Shape::Object,
            { "title", "type", "totalprice", "discountrate", "conditionprice", "discountmoney",
                "actualprice" } },
        { "/UserApi/Index/payOrder/",
            { { "memberid", "1" }, { "mark", "" }, { "reverseid", "1" }, { "totalprice", "10.00" },
                { "actualprice", "10.00" }, { "bycash", "10.00" } },
            Shape::Object, { "status", "orderid" } },
        { "/UserApi/Index/getRuleList/", {}, Shape::Array,
            { "id", "title", "require", "freemoney", "freescore" } },
        { "/UserApi/Index/recharge/",
            { { "memberid", "1" }, { "ruleid", "0" }, { "reverseid", "2" }, { "totalprice", "10.00" },
                { "bycash", "10.00" } },
            Shape::Object, { "status", "orderid" } },
        { "/UserApi/Index/reasons/", {}, Shape::Array, { "id", "reason" } },
        { "/UserApi/Index/reScore/",
            { { "score", "5" }, { "memberid", "1" }, { "reason", "x" }, { "info", "y" } }, Shape::StatusOnly,
            {} },
        { "/UserApi/Index/platPassList/", {}, Shape::Array, { "modelid", "title", "type", "discountmoney" } },
        { "/UserApi/Index/sendPlatPass/", { { "memberid", "1" }, { "modelid", "1" }, { "remarks", "" } },
            Shape::StatusOnly, {} },
        { "/UserApi/Index/getCouponSendLog/",
            { { "passtype", "platPass" }, { "currentpage", "1" }, { "pagesize", "10" }, { "sort", "desc" },
                { "field", "gettime" } },
            Shape::List,
            { "title", "truename", "gettime", "status", "vcode", "cardnum", "cardname", "tel", "startdate",
                "enddate", "usetime", "remarks" } },
        { "/UserApi/Index/verifyCode/", { { "passtype", "platPass" }, { "vcode", "660000000002" } },
            Shape::StatusOnly, {} },
        { "/UserApi/Index/memberPaypwd/", { { "memberid", "2" }, { "password", md5 } }, Shape::StatusOnly,
            {} },
        { "/UserApi/Index/alipassList", {}, Shape::Array, { "grant_title", "tpl_id" } },
        { "/UserApi/Index/sendAlipass", { { "tpl_id", "2016001" }, { "open_id", "2088ali000001" } },
            Shape::StatusOnly, {} },
        { "/UserApi/Index/aliPassLog", { { "status", "USED" }, { "currentpage", "1" }, { "pagesize", "10" } },
            Shape::List,
            { "cardname", "truename", "gettime", "status", "cardnum", "verify_code", "usetime" } },
        { "/UserApi/Index/wxpassList", {}, Shape::Array, { "card_title", "card_id" } },
        { "/UserApi/Index/sendWxpass", { { "card_id", "pWx0001" }, { "wecha_id", "oWx_member_0001" } },
            Shape::StatusOnly, {} },
        { "/UserApi/Index/wxPassLog", { { "status", "1" }, { "currentpage", "1" }, { "pagesize", "10" } },
            Shape::List,
            { "cardname", "truename", "gettime", "status", "cardnum", "verify_code", "usetime" } },
    };
    ASSERT_EQ(cases.size(), 33u);
    for (const PathCase& item : cases) {
        SCOPED_TRACE(item.path);
        Json reply = client.call(item.path, item.params);
        ASSERT_EQ(reply["status"], "1") << reply;
        ASSERT_TRUE(reply["info"].is_string());
        Json record;
        switch (item.shape) {
        case Shape::StatusOnly:
            continue;
        case Shape::Object:
            ASSERT_TRUE(reply["data"].is_object());
            record = reply["data"];
            break;
        case Shape::Array:
            ASSERT_TRUE(reply["data"].is_array());
            ASSERT_FALSE(reply["data"].empty());
            record = reply["data"][0];
            break;
        case Shape::List:
            ASSERT_TRUE(reply["data"]["list"].is_array());
            ASSERT_FALSE(reply["data"]["list"].empty());
            EXPECT_TRUE(reply["data"]["count"].is_string());
            record = reply["data"]["list"][0];
            break;
        }
        for (const std::string& field : item.fields)
            EXPECT_TRUE(record[field].is_string()) << field << " in " << record;
    }
}

TEST_F(ReplyShapeTest, seeded_alipay_orders_cover_every_state_the_detail_screen_shows)
{
    auto order = [&](int serial) {
        return client.call("/PayApi/OfflinePay/getOrderDetails",
            { { "orderid", seeded(serial) }, { "m_paytype", "alipay" } })["data"];
    };
    EXPECT_EQ(order(1)["paystatus"], "1");
    EXPECT_EQ(order(3)["paystatus"], "2");
    EXPECT_EQ(order(5)["is_refund"], "1");
    EXPECT_EQ(order(6)["is_refund"], "2");
    EXPECT_NE(order(6)["pri_paymoney"], "0.00");
    EXPECT_EQ(order(7)["pri_paymoney"], "0.00");
    Json repayable = order(8);
    EXPECT_EQ(repayable["paytype"], "2");
    EXPECT_EQ(repayable["paystatus"], "0");
    EXPECT_EQ(repayable["is_refund"], "0");
}

} // namespace
