#include "StandInClient.h"
#include "server/DemoSeed.h"

#include <ZXing/ReadBarcode.h>
#include <png.h>

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kQrcode = "/PayApi/OfflinePay/qrcode/";
constexpr const char* kStatus = "/PayApi/OfflinePay/getOrderStatus/";
constexpr const char* kDetails = "/PayApi/OfflinePay/getOrderDetails";
constexpr const char* kRefund = "/PayApi/OfflinePay/refund";
constexpr const char* kCancel = "/PayApi/OfflinePay/cancel";
constexpr const char* kRepay = "/PayApi/OfflinePay/repay";
constexpr const char* kList = "/PayApi/OfflinePay/getOrderList";
constexpr const char* kSum = "/PayApi/OfflinePay/getMoneySum";
constexpr const char* kOwnerMd5 = merchant::DemoSeed::kPasswordMd5;

class OrderFlowTest : public StandInTest {
protected:
    Json poll(const std::string& orderid) { return client.call(kStatus, { { "orderid", orderid } }); }
    Json details(const std::string& orderid, const std::string& wallet = "alipay")
    {
        return client.call(kDetails, { { "orderid", orderid }, { "m_paytype", wallet } });
    }
    Json refund(const std::string& orderid, const std::string& amount, const std::string& user = "boss")
    {
        return client.call(kRefund,
            { { "orderid", orderid }, { "reason", "" }, { "mid", "7" }, { "refundmoney", amount },
                { "username", user }, { "password", kOwnerMd5 } });
    }
    std::string paidOrder(const std::string& money)
    {
        Json reply = barcode("280000000000000001", money);
        EXPECT_EQ(reply["data"]["paystatus"], "1");
        return text(reply["data"]["orderid"]);
    }
    std::pair<std::string, std::string> dayRange() const
    {
        merchant::Seconds start = merchant::DemoSeed::localDayStart(kNow);
        return { std::to_string(start), std::to_string(start + 86399) };
    }
};

TEST_F(OrderFlowTest, barcode_outcome_follows_last_digit_of_code)
{
    Json paid = barcode("280000000000000001");
    EXPECT_EQ(paid["status"], "1");
    EXPECT_EQ(paid["data"]["paystatus"], "1");
    EXPECT_EQ(paid["data"]["paytime"], std::to_string(kNow));

    Json failed = barcode("280000000000000009");
    EXPECT_EQ(failed["status"], "0");
    EXPECT_EQ(failed["data"]["paystatus"], "2") << "a failed payment still names its order";

    Json refused = barcode("280000000000000006");
    EXPECT_EQ(refused["status"], "0");
    EXPECT_FALSE(refused.contains("data")) << "a refused code creates no order and no data";

    std::string waiting = text(barcode("130000000000000008", "3.00", "wxpay")["data"]["orderid"]);
    EXPECT_EQ(poll(waiting)["data"]["paystatus"], "0");
    EXPECT_EQ(poll(waiting)["data"]["paystatus"], "1") << "paid on the second poll";
    EXPECT_EQ(poll(waiting)["data"]["paystatus"], "1") << "a settled order stays settled";

    std::string failing = text(barcode("280000000000000005")["data"]["orderid"]);
    poll(failing);
    EXPECT_EQ(poll(failing)["data"]["paystatus"], "2");

    std::string forever = text(barcode("280000000000000007")["data"]["orderid"]);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(poll(forever)["data"]["paystatus"], "0");
    EXPECT_EQ(client.hook("order", { { "orderid", forever }, { "action", "pay" } })["ok"], true);
    EXPECT_EQ(poll(forever)["data"]["paystatus"], "1");
}

TEST_F(OrderFlowTest, bad_amounts_and_closed_wallets_are_refused)
{
    EXPECT_EQ(barcode("281", "0.00")["status"], "0");
    EXPECT_EQ(barcode("281", "-5")["status"], "0");
    EXPECT_EQ(barcode("281", "1e3")["status"], "0");
    EXPECT_EQ(barcode("281", "5", "unionpay")["status"], "0");
    client.hook("outcomes", { { "wallets", { { "bdpay", false } } } });
    EXPECT_EQ(barcode("311", "5", "bdpay")["status"], "0");
    EXPECT_EQ(client.call("/PayApi/OfflinePay/getShopInfo/")["data"]["bd_c"], "0");
    EXPECT_EQ(
        client.call(kQrcode, { { "money", "5.00" }, { "m_paytype", "bdpay" }, { "mid", "8" } })["status"],
        "0");
}

TEST_F(OrderFlowTest, qr_order_image_is_a_readable_code_and_order_is_paid_after_polls)
{
    Json created = client.call(kQrcode, { { "money", "66.60" }, { "m_paytype", "wxpay" }, { "mid", "8" } });
    ASSERT_EQ(created["status"], "1");
    std::string orderid = text(created["data"]["orderid"]);
    std::string url = text(created["data"]["pic_url"]);
    std::string prefix = "http://127.0.0.1";
    ASSERT_EQ(url.rfind(prefix, 0), 0u) << url;

    merchant::BackendRequest get;
    get.method = "GET";
    get.path = url.substr(prefix.size());
    merchant::BackendReply image = backend.handle(get);
    ASSERT_EQ(image.status, 200);
    EXPECT_EQ(image.contentType, "image/png");

    png_image decoded {};
    decoded.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&decoded, image.body.data(), image.body.size()));
    decoded.format = PNG_FORMAT_GRAY;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(decoded));
    ASSERT_TRUE(png_image_finish_read(&decoded, nullptr, pixels.data(), 0, nullptr));
    ZXing::ImageView view(pixels.data(), static_cast<int>(decoded.width), static_cast<int>(decoded.height),
        ZXing::ImageFormat::Lum);
    ZXing::Result result = ZXing::ReadBarcode(view);
    ASSERT_TRUE(result.isValid());
    EXPECT_EQ(
        result.text(), L"cashier-pay:wxpay:" + std::wstring(orderid.begin(), orderid.end()) + L":66.60");

    EXPECT_EQ(poll(orderid)["data"]["paystatus"], "0");
    EXPECT_EQ(poll(orderid)["data"]["paystatus"], "0");
    EXPECT_EQ(poll(orderid)["data"]["paystatus"], "1");
    EXPECT_EQ(details(orderid, "wxpay")["data"]["pri_paymoney"], "66.60");
}

TEST_F(OrderFlowTest, qr_outcome_switch_keeps_orders_waiting_or_fails_them)
{
    client.hook("outcomes", { { "qr", "wait" } });
    std::string waiting = text(client.call(
        kQrcode, { { "money", "1.00" }, { "m_paytype", "alipay" }, { "mid", "8" } })["data"]["orderid"]);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(poll(waiting)["data"]["paystatus"], "0");
    client.hook("outcomes", { { "qr", "fail" }, { "qrPolls", 1 } });
    std::string failing = text(client.call(
        kQrcode, { { "money", "1.00" }, { "m_paytype", "alipay" }, { "mid", "8" } })["data"]["orderid"]);
    EXPECT_EQ(poll(failing)["data"]["paystatus"], "2");
    EXPECT_EQ(poll("no-such-order")["status"], "0");
}

TEST_F(OrderFlowTest, cancelled_order_is_never_paid_and_refuses_every_later_action)
{
    std::string orderid = text(client.call(
        kQrcode, { { "money", "9.00" }, { "m_paytype", "alipay" }, { "mid", "8" } })["data"]["orderid"]);
    EXPECT_EQ(client.call(kCancel, { { "orderid", orderid }, { "m_paytype", "alipay" } })["status"], "1");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(poll(orderid)["data"]["paystatus"], "0");
    EXPECT_EQ(client.hook("order", { { "orderid", orderid }, { "action", "pay" } })["ok"], false);
    Json order = details(orderid)["data"];
    EXPECT_EQ(order["is_refund"], "1");
    EXPECT_EQ(order["paystatus"], "0");
    EXPECT_EQ(client.call(kCancel, { { "orderid", orderid }, { "m_paytype", "alipay" } })["status"], "0");
    EXPECT_EQ(client.call(kRepay, { { "orderid", orderid }, { "m_paytype", "alipay" } })["status"], "0");
    EXPECT_EQ(refund(orderid, "1")["status"], "0");
    EXPECT_EQ(
        client.call(kCancel, { { "orderid", paidOrder("3.00") }, { "m_paytype", "alipay" } })["status"], "0")
        << "a paid order cannot be cancelled";
}

TEST_F(OrderFlowTest, refunds_go_down_to_nothing_received_and_never_below)
{
    std::string orderid = paidOrder("100.00");
    EXPECT_EQ(refund(orderid, "30.5")["status"], "1");
    EXPECT_EQ(refund(orderid, "69.51")["status"], "0") << "more than what is left";
    EXPECT_EQ(refund(orderid, "0")["status"], "0");
    EXPECT_EQ(refund(orderid, "abc")["status"], "0");
    EXPECT_EQ(refund(orderid, "9.5", "cashier")["status"], "0") << "only a shop owner refunds";
    Json order = details(orderid)["data"];
    EXPECT_EQ(order["is_refund"], "2");
    EXPECT_EQ(order["pri_paymoney"], "69.50");
    EXPECT_EQ(order["refundmoney"], "30.50");
    EXPECT_EQ(refund(orderid, "69.")["status"], "1") << "the typed form \"69.\" is an amount";
    EXPECT_EQ(refund(orderid, ".50")["status"], "1");
    EXPECT_EQ(details(orderid)["data"]["pri_paymoney"], "0.00");
    EXPECT_EQ(refund(orderid, "0.01")["status"], "0");

    std::string unpaid = text(barcode("280000000000000007")["data"]["orderid"]);
    EXPECT_EQ(refund(unpaid, "1")["status"], "0");
    Json wrongPassword = client.call(kRefund,
        { { "orderid", orderid }, { "refundmoney", "1" }, { "username", "boss" },
            { "password", "e10adc3949ba59abbe56e057f20f883f" } });
    EXPECT_EQ(wrongPassword["status"], "0");
}

TEST_F(OrderFlowTest, repay_gives_a_fresh_image_only_for_waiting_qr_orders)
{
    std::string orderid = text(client.call(
        kQrcode, { { "money", "7.00" }, { "m_paytype", "bdpay" }, { "mid", "8" } })["data"]["orderid"]);
    std::string first = text(details(orderid, "bdpay")["data"]["pic_url"]);
    Json again = client.call(kRepay, { { "orderid", orderid }, { "m_paytype", "bdpay" } });
    ASSERT_EQ(again["status"], "1");
    EXPECT_EQ(again["data"]["paymoney"], "7.00");
    EXPECT_NE(text(again["data"]["pic_url"]), first);
    // The re-payment screen polls a Baidu order under "wxpay".
    EXPECT_EQ(client.call(kStatus, { { "orderid", orderid }, { "m_paytype", "wxpay" } })["data"]["orderid"],
        orderid);
    EXPECT_EQ(
        client.call(kRepay, { { "orderid", paidOrder("1.00") }, { "m_paytype", "alipay" } })["status"], "0");
    std::string barcodeWaiting = text(barcode("280000000000000007")["data"]["orderid"]);
    EXPECT_EQ(
        client.call(kRepay, { { "orderid", barcodeWaiting }, { "m_paytype", "alipay" } })["status"], "0");
}

TEST_F(OrderFlowTest, details_need_the_right_wallet_so_search_never_finds_a_baidu_order)
{
    std::string orderid = text(client.call(
        kQrcode, { { "money", "2.00" }, { "m_paytype", "bdpay" }, { "mid", "8" } })["data"]["orderid"]);
    EXPECT_EQ(details(orderid, "alipay")["status"], "0");
    EXPECT_EQ(details(orderid, "wxpay")["status"], "0");
    EXPECT_EQ(details(orderid, "bdpay")["status"], "1");
}

TEST_F(OrderFlowTest, order_list_count_is_zero_exactly_on_an_empty_page)
{
    auto [start, end] = dayRange();
    auto page = [&](const std::string& number) {
        return client.call(kList,
            { { "m_paytype", "alipay" }, { "starttime", start }, { "endtime", end },
                { "currentpage", number }, { "pagesize", "10" } })["data"];
    };
    Json first = page("1");
    EXPECT_EQ(first["count"], "10");
    EXPECT_EQ(first["list"].size(), 10u);
    Json second = page("2");
    EXPECT_EQ(second["count"], std::to_string(second["list"].size()));
    EXPECT_GT(second["list"].size(), 0u);
    EXPECT_EQ(page("3")["count"], "0");
    for (const Json& row : first["list"]) {
        EXPECT_EQ(row["payment"], "alipay");
        EXPECT_GE(std::stoll(text(row["addtime"])), std::stoll(start));
    }
    EXPECT_GE(text(first["list"][0]["addtime"]), text(first["list"][9]["addtime"])) << "newest first";
}

TEST_F(OrderFlowTest, takings_are_net_of_refunds_and_null_for_a_wallet_without_any)
{
    auto [start, end] = dayRange();
    auto sums = [&] { return client.call(kSum, { { "starttime", start }, { "endtime", end } })["data"]; };
    double before = std::stod(text(sums()["alipay_sum"]));
    std::string orderid = paidOrder("50.00");
    refund(orderid, "20");
    EXPECT_NEAR(std::stod(text(sums()["alipay_sum"])), before + 30.0, 1e-9);
    Json empty = client.call(kSum, { { "starttime", "1000" }, { "endtime", "2000.5" } })["data"];
    EXPECT_EQ(empty["wxpay_sum"], "null");
    EXPECT_EQ(client.call(kSum, { { "starttime", "x" }, { "endtime", end } })["status"], "0");
}

TEST_F(OrderFlowTest, staff_check_and_password_change_over_the_agent_path)
{
    EXPECT_EQ(client.call("/PayApi/OfflinePay/checkStaff/",
                  { { "username", "boss" }, { "password", kOwnerMd5 } })["data"]["job"],
        "2");
    EXPECT_EQ(client.call("/PayApi/OfflinePay/checkStaff/",
                  { { "username", "boss" }, { "password", "x" } })["status"],
        "0");

    auto agent = [&](const std::string& body) {
        merchant::BackendRequest request;
        request.path = "/Api/Alipay/modifyStaffPassword";
        request.headers["content-type"] = "application/x-www-form-urlencoded; charset=utf-8";
        request.body = body;
        merchant::BackendReply reply = backend.handle(request);
        EXPECT_EQ(reply.status, 200) << "the agent never answers an error status";
        return Json::parse(reply.body);
    };
    std::string newMd5 = "96e79218965eb72c92a549dd5a330112";
    std::string form = "key=" + client.keys().collectionKey + "&username=cashier&password=";
    EXPECT_EQ(agent(form + "wrong&newpassword=" + newMd5)["status"], "0");
    EXPECT_EQ(agent("key=nope&username=cashier&password=" + std::string(kOwnerMd5)
                  + "&newpassword=" + newMd5)["status"],
        "0");
    EXPECT_EQ(agent(form + kOwnerMd5 + "&newpassword=" + newMd5)["status"], "1");
    EXPECT_EQ(client.call("/PayApi/OfflinePay/checkStaff/",
                  { { "username", "cashier" }, { "password", newMd5 } })["status"],
        "1");
    EXPECT_EQ(client.call("/PayApi/OfflinePay/checkStaff/",
                  { { "username", "cashier" }, { "password", kOwnerMd5 } })["status"],
        "0");
}

} // namespace
