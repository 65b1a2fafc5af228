#pragma once

#include <string>
#include <string_view>

// Where the back ends live and the paths the app calls on them. The paths are
// fixed, trailing "/" included or left out exactly as the server routes them.
// The hosts ("name" or "name:port", no scheme) can be changed at start-up by
// the program's options; they are read on any thread.
class URLConfig {
public:
    static constexpr std::string_view defaultApiHost = "127.0.0.1:8080";
    static constexpr std::string_view defaultAgentHost = "127.0.0.1:8080";
    static constexpr std::string_view defaultWebHost = "127.0.0.1:8080";

    static std::string apiHost();
    static void setApiHost(std::string host);
    // "http://" and the API host: the signed client joins it with a path.
    static std::string apiBase();

    static std::string agentHost();
    static void setAgentHost(std::string host);
    // The agent host followed by "/Api", without a scheme: the HTTP engine is
    // given it as its host name and adds the scheme itself.
    static std::string agentBase();

    static std::string webHost();
    static void setWebHost(std::string host);
    // "http://" and the web host: member portraits under "/images" hang off it.
    static std::string webBase();

    // Collection API (collection key pair).
    static constexpr std::string_view CHECK_STAFF = "/PayApi/OfflinePay/checkStaff/";
    static constexpr std::string_view GET_SHOP_INFO = "/PayApi/OfflinePay/getShopInfo/";
    static constexpr std::string_view QRCODE = "/PayApi/OfflinePay/qrcode/";
    static constexpr std::string_view GET_ORDER_STATUS = "/PayApi/OfflinePay/getOrderStatus/";
    static constexpr std::string_view GET_MONEY_SUM = "/PayApi/OfflinePay/getMoneySum";
    static constexpr std::string_view GET_ORDER_LIST = "/PayApi/OfflinePay/getOrderList";
    static constexpr std::string_view GET_ORDER_DETAILS = "/PayApi/OfflinePay/getOrderDetails";
    static constexpr std::string_view BARCODE = "/PayApi/OfflinePay/barcode";
    static constexpr std::string_view CANCEL = "/PayApi/OfflinePay/cancel";
    static constexpr std::string_view REFUND = "/PayApi/OfflinePay/refund";
    static constexpr std::string_view REPAY = "/PayApi/OfflinePay/repay";

    // Agent API (plain, not signed), under agentBase().
    static constexpr std::string_view MODIFY_STAFF_PASSWORD = "/Alipay/modifyStaffPassword";

    // Member API (member key pair).
    static constexpr std::string_view GET_MEMBER_LIST = "/UserApi/Index/getMemberList";
    static constexpr std::string_view GET_CARD_LIST = "/UserApi/Index/getCardList";
    static constexpr std::string_view GET_USER_INFO = "/UserApi/Index/getUserInfo";
    static constexpr std::string_view GET_COUPON = "/UserApi/Index/getCoupon";
    static constexpr std::string_view MEMC_ORDER = "/UserApi/Index/memcOrder/";
    static constexpr std::string_view CALC_ORDER = "/UserApi/Index/calcOrder/";
    static constexpr std::string_view PAY_ORDER = "/UserApi/Index/payOrder/";
    static constexpr std::string_view GET_RULE_LIST = "/UserApi/Index/getRuleList/";
    static constexpr std::string_view RECHARGE = "/UserApi/Index/recharge/";
    static constexpr std::string_view REASONS = "/UserApi/Index/reasons/";
    static constexpr std::string_view RE_SCORE = "/UserApi/Index/reScore/";
    static constexpr std::string_view PLAT_PASS_LIST = "/UserApi/Index/platPassList/";
    static constexpr std::string_view SEND_PLAT_PASS = "/UserApi/Index/sendPlatPass/";
    static constexpr std::string_view GET_COUPON_SEND_LOG = "/UserApi/Index/getCouponSendLog/";
    static constexpr std::string_view VERIFY_CODE = "/UserApi/Index/verifyCode/";
    static constexpr std::string_view MEMBER_PAYPWD = "/UserApi/Index/memberPaypwd/";
    static constexpr std::string_view ALIPASS_LIST = "/UserApi/Index/alipassList";
    static constexpr std::string_view SEND_ALIPASS = "/UserApi/Index/sendAlipass";
    static constexpr std::string_view ALI_PASS_LOG = "/UserApi/Index/aliPassLog";
    static constexpr std::string_view WXPASS_LIST = "/UserApi/Index/wxpassList";
    static constexpr std::string_view SEND_WXPASS = "/UserApi/Index/sendWxpass";
    static constexpr std::string_view WX_PASS_LOG = "/UserApi/Index/wxPassLog";
};
