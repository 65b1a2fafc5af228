#include "ScreenDrivers.h"

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
        // QRCodePayViewController: the order, its picture, then polls; then Baidu's static fetch.
        { "collect by QR code", true,
            { "tap btnOne", "tap btnOK", "tap btnAlipayCode", "idle", "wait 2", "idle", "show", "back",
                "tap btnBdpayCode", "idle", "wait 2", "idle", "show" } },
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
    };
    return drivers;
}
