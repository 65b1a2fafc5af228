#include "ScreenDrivers.h"

#include "api/URLConfig.h"

namespace {

// Well-formed replies that lead the member drivers to the screen under test.
std::pair<std::string, std::string> setup(std::string_view path, const char* plain)
{
    return { std::string(path), plain };
}

const auto memberCards = setup(URLConfig::GET_CARD_LIST,
    R"({"status":"1","info":"","data":[{"cardid":"101","cardname":"普通卡"},{"cardid":"102","cardname":"金卡"}]})");

std::pair<std::string, std::string> member(bool needsPassword)
{
    return setup(URLConfig::GET_USER_INFO,
        needsPassword
            ? R"({"status":"1","info":"","data":{"id":"2","cardnum":"88000002","cardid":"102","cardname":"金卡",)"
              R"("discountrate":"8.5","truename":"王芳","money":"220.000","freemoney":"20.000","totalMoney":"240.00",)"
              R"("score":"200","avail_score":"200","status":"1","getcardtime":"1700000000","expiredate":"0"}})"
            : R"({"status":"1","info":"","data":{"id":"1","cardnum":"88000001","cardid":"101","cardname":"普通卡",)"
              R"("discountrate":"9.5","truename":"张伟","money":"210.000","freemoney":"20.000","totalMoney":"230.00",)"
              R"("score":"100","avail_score":"100","status":"1","getcardtime":"1700000000","expiredate":"0",)"
              R"("nopwd":"1"}})");
}

const auto memberCoupons = setup(URLConfig::GET_COUPON,
    R"({"status":"1","info":"","data":[{"id":"6","type":"0","title":"满100减20","conditionprice":"100.00",)"
    R"("discountmoney":"20.00","discountrate":"10"},{"id":"7","type":"1","title":"9折优惠券",)"
    R"("conditionprice":"50.00","discountmoney":"0.00","discountrate":"9"}]})");

const auto cardPrice = setup(URLConfig::MEMC_ORDER,
    R"({"status":"1","info":"","data":{"cardid":"101","cardname":"普通卡","memberid":"1","discountrate":"9.5",)"
    R"("totalprice":"100.00","actualprice":"95.00"}})");

// From the members tab to a member's detail by a scanned card code, then the steps.
std::vector<std::string> fromDetail(std::vector<std::string> steps)
{
    std::vector<std::string> script { "tab 1", "idle", "tap btnScan", "scan 88000002", "idle" };
    script.insert(script.end(), steps.begin(), steps.end());
    return script;
}

} // namespace

// Add one entry per screen that sends requests; keep the order (a corpus entry's
// first byte names its driver).
const std::vector<ScreenDriver>& screenDrivers()
{
    static const std::vector<ScreenDriver> drivers {
        // LoginViewController: the staff check, then the shop information.
        { "sign-in", false,
            { "tap btnOne", "type tvUserName boss", "type tvPassword 123456", "tap btnLogin", "idle",
                "show" } },
        // ChoosePayWayViewController: a scanned code, its reply, then two polls.
        { "collect by barcode", true,
            { "tap btnOne", "tap btnTwo", "tap btnOK", "idle", "tap btnScan", "scan 2800000008", "idle",
                "wait 2", "idle", "wait 2", "idle", "show" } },
        // QRCodePayViewController: the order, its picture, then polls; then Baidu's static fetch
        // (back from a code being polled cancels its order first).
        { "collect by QR code", true,
            { "tap btnOne", "tap btnOK", "tap btnAlipayCode", "idle", "wait 2", "idle", "show", "back",
                "alert 0", "idle", "tap btnBdpayCode", "idle", "wait 2", "idle", "show" },
            { setup(URLConfig::CANCEL, R"({"status":"1","info":"撤销订单成功"})") } },
        // BillViewController: sums and first page, pull-down, next page, another tab.
        { "takings", true,
            { "tap btnBillList", "idle", "show", "pull-down", "idle", "pull-up", "idle", "tap btnWxpayBill",
                "idle", "tap btnRefresh", "idle", "show" } },
        // OrderDetailViewController: the load on appearing and each action.
        { "order detail", true,
            { "tap btnBillList", "idle", "row 0", "idle", "show", "tap btnRefreshStatus", "idle",
                "tap btnCancelOrder", "alert 0", "idle", "tap btnRePay", "idle", "wait 2", "idle", "show" } },
        // RefundViewController: the staff check and the refund (signed in as a shop owner).
        { "refund", true,
            { "tap btnBillList", "idle", "row 0", "idle", "tap btnRefund", "type tvRefundMoney 0.01",
                "tap btnOk", "alert 0", "idle", "show" } },
        // OrderSearchViewController: the Alipay, then the WeChat Pay look-up.
        { "order search", true,
            { "tap btnBillList", "idle", "tap btnSearch", "type tvOrderNum 20261207000001", "tap btnSearch",
                "idle", "show" } },
        // VipViewController: the card tabs, then a tab's first page, pull-down and pull-up.
        { "members tab", true,
            { "tab 1", "idle", "tap tab1", "idle", "pull-down", "idle", "pull-up", "idle", "show" } },
        // VipViewController's pages with the tabs in place, then a row's VipDetailViewController.
        { "member list", true,
            { "tab 1", "idle", "tap tab2", "idle", "pull-down", "idle", "pull-up", "idle", "row 0", "idle",
                "show" },
            { memberCards } },
        // VipSearchViewController: a search, its refresh and next page, a row's detail.
        { "member search", true,
            { "tab 1", "idle", "tap tvSearchContent", "type tvSearchContent 王", "tap btnSearch", "idle",
                "pull-down", "idle", "pull-up", "idle", "row 0", "idle", "show" },
            { memberCards } },
        // VipDetailViewController by a scanned code, loaded again on the way back.
        { "member detail", true, fromDetail({ "show", "tap btnVipConsume", "idle", "back", "idle", "show" }),
            { memberCards } },
        // VipConsumeViewController: the card price, then a cash purchase and its result.
        { "member purchase", true,
            fromDetail({ "tap btnVipConsume", "idle", "type tvPayMoney 100", "tap btnCashPay", "idle",
                "tap btnOk", "idle", "tap btnOk", "idle", "show", "back", "idle", "show" }),
            { memberCards, member(false) } },
        // ChoosePreferentialWayViewController: the member's coupons, one chosen.
        { "discount chooser", true,
            fromDetail({ "tap btnVipConsume", "idle", "type tvPayMoney 100", "tap btnPreferentialWay", "idle",
                "row 0 1", "tap btnOk", "idle", "show" }),
            { memberCards, member(true) } },
        // The coupon's price, then the payment password before paying from the balance.
        { "coupon price and password", true,
            fromDetail({ "tap btnVipConsume", "idle", "type tvPayMoney 100", "tap btnPreferentialWay", "idle",
                "row 0 1", "tap btnOk", "idle", "tap btnVipMoneyPay", "idle", "tap btnOk", "idle",
                "tap tvDescription", "type tvDescription 常客", "tap btnSave", "idle", "tap btnOk",
                "alert-type 0 123456", "alert 0", "idle", "show" }),
            { memberCards, member(true), memberCoupons } },
        // The mobile part collected on the pay-way screen, then the purchase it hands back.
        { "purchase with a mobile part", true,
            fromDetail({ "tap btnVipConsume", "idle", "type tvPayMoney 100", "tap btnMobilePay", "idle",
                "tap btnOk", "idle", "tap btnOk", "idle", "tap btnScan", "scan 280000000001", "idle",
                "wait 2", "idle", "show" }),
            { memberCards, member(false), cardPrice } },
        // GiveCreditViewController and ChooseCreditReasonViewController: reasons, then the grant.
        { "points", true,
            fromDetail({ "tap btnAddCredit", "idle", "type tvCreditCount 5", "tap btnOperationReason", "idle",
                "row 0", "tap btnOk", "idle", "tap btnOk", "idle", "show" }),
            { memberCards, member(true) } },
        // SettingViewController: the shop-owner check before the collection key alert.
        { "settings owner check", true,
            { "tab 3", "tap btnSetKey", "alert-type 0 boss", "alert-type 1 123456", "alert 0", "idle",
                "show" } },
        // UpdatePwdViewController: the agent's plain JSON answer to a password change.
        { "password change", true,
            { "tab 3", "tap btnUpdatePwd", "type tvSourcePwd 123456", "type tvNewPwd 654321",
                "type tvConfirmNewPwd 654321", "tap btnUpdatePwd", "idle", "show" } },
        // CardVolumeStatisticViewController: the log's pages and types, a verification, a record.
        { "cards tab", true,
            { "tab 2", "idle", "pull-up", "idle", "pull-down", "idle", "tap btnAliVolume", "idle",
                "type tvCardCode 1", "tap btnOk", "idle", "row 0", "idle", "show" } },
        // CardVolumnRecordViewController and the record details.
        { "send records", true,
            { "tab 2", "idle", "tap btnRecords", "idle", "pull-up", "idle", "tap btnWxVolume", "idle",
                "row 0", "idle", "show" } },
        // SendCardViewController and its lists: a platform pass with a remark (a sent one leads
        // back to SendCardViewController), then a WeChat pass.
        { "send a pass", true,
            fromDetail(
                { "tap btnSendCard", "idle", "tap btnQuorvastCard", "idle", "row 0", "tap btnOk", "idle",
                    "tap btnSave", "idle", "tap btnWxCard", "idle", "row 0", "tap btnOk", "idle", "show" }),
            { memberCards, member(true) } },
        // VipRechargeViewController, its rule chooser and the result.
        { "recharge", true,
            fromDetail({ "tap btnVipRecharge", "idle", "type tvPayMoney 10", "tap btnRechargeRule", "idle",
                "row 1", "tap btnOk", "idle", "tap btnCashPay", "idle", "tap btnOk", "idle", "tap btnOk",
                "idle", "show" }),
            { memberCards, member(false) } },
        // UnpaidOrderExit: back from a waiting barcode order, its cancel and the poll after a
        // refusal, then back again (leaving it followed when the cancel failed).
        { "leave a waiting order", true,
            { "tap btnOne", "tap btnOK", "tap btnScan", "scan 2800000008", "idle", "back", "alert 0", "idle",
                "back", "alert 2", "idle", "wait 2", "idle", "show" } },
    };
    return drivers;
}
