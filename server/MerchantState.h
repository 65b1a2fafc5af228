#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Everything one merchant's back end remembers. Money is held in thousandths
// of a yuan ("mills") so that a three-decimal balance survives exactly and
// every comparison "to the cent" is integer arithmetic.
namespace merchant {

using Mills = std::int64_t;
using Seconds = std::int64_t;

struct ShopInfo {
    std::string company;
    std::string shopname;
    std::string nickname;
    std::string devicename;
    bool aliEnabled = true;
    bool wxEnabled = true;
    bool bdEnabled = true;
};

struct Staff {
    std::string id;
    std::string username;
    std::string truename;
    std::string job; // "2" shop owner, "1" cashier
    std::string passwordMd5;
};

// How a waiting order is settled without anyone touching the test hooks.
enum class OrderPlan {
    PayAfterPolls,
    FailAfterPolls,
    Wait,
};

struct Order {
    std::string orderid;
    std::string tradeNo;
    std::string payment; // "alipay", "wxpay", "bdpay"
    std::string paytype; // "1" barcode, "2" QR code
    Mills paymoney = 0;
    Mills priPaymoney = 0; // what is left after refunds
    Mills refundmoney = 0;
    std::string paystatus = "0"; // "0" waiting, "1" paid, "2" failed
    std::string isRefund = "0"; // "0" normal, "1" cancelled, "2" refunded
    Seconds addtime = 0;
    Seconds paytime = 0;
    Seconds refundtime = 0;
    std::string reason;
    std::string buyerId;
    std::string buyerAccount;
    std::string mid;
    std::string dynamicId;
    int picGeneration = 0; // bumped by each re-payment so the image URL changes
    std::string usedBy; // member purchase or recharge that consumed the payment
    OrderPlan plan = OrderPlan::PayAfterPolls;
    int pollsLeft = 0;
};

struct CardType {
    std::string id;
    std::string cardid;
    std::string cardname;
    std::string cardtype;
    std::string level;
    std::string discountrate; // out of 10, as text ("8.5")
    std::string expiredays;
    std::string expiredate;
    std::string availTimes;
    std::string availPeriods;
};

struct Member {
    std::string id;
    std::string cardnum;
    std::string cardid;
    std::string truename;
    std::string tel;
    std::string status = "1";
    std::string portrait; // "{self}" stands for this server's own host
    std::string birthday;
    std::optional<std::string> qq; // absent is sent as JSON null on purpose
    std::string sex;
    std::string address;
    std::int64_t score = 0;
    std::int64_t availScore = 0;
    Mills money = 0;
    Mills freemoney = 0;
    Seconds getcardtime = 0;
    Seconds expiredate = 0; // 0 never expires
    std::string nopwd = "0";
    std::string payPasswordMd5;
    std::int64_t expensecount = 0;
    Seconds lastexpensetime = 0;
    std::string refererid;
    std::string remarks;
    std::string openId;
    std::string wechaId;
};

struct PlatPassTemplate {
    std::string modelid;
    std::string title;
    std::string type; // "0" cash off, "1" discount
    Mills discountmoney = 0;
    Mills conditionprice = 0;
    std::string discountrate;
    Seconds startdate = 0;
    Seconds enddate = 0;
};

struct PlatPass {
    std::string id;
    std::string vcode;
    std::string modelid;
    std::string memberid;
    Seconds gettime = 0;
    Seconds usetime = 0;
    std::string status = "1"; // "1" unused, "-1" used; expiry is read off the clock
    Seconds startdate = 0;
    Seconds enddate = 0;
    std::string remarks;
};

struct AliPassTemplate {
    std::string tplId;
    std::string grantTitle;
    double marketPrice = 0;
};

struct WxPassTemplate {
    std::string cardId;
    std::string cardTitle;
};

// One Alipay or WeChat pass instance; the two differ only in their status words.
struct WalletPass {
    std::string id;
    std::string cardname;
    std::string memberid;
    std::string verifyCode;
    Seconds gettime = 0;
    Seconds usetime = 0;
    std::string status;
};

struct RechargeRule {
    std::string id;
    std::string title;
    Mills require = 0;
    Mills freemoney = 0;
    std::int64_t freescore = 0;
    Seconds startdate = 0;
    Seconds enddate = 0;
};

struct Reason {
    std::string id;
    std::string reason;
};

// A member purchase ("pay") or recharge ("recharge") as the back end settled
// it: what each part took, and the paid collection order it consumed.
struct Settlement {
    std::string kind;
    std::string orderid;
    std::string reverseid;
    std::string memberid;
    Mills total = 0;
    Mills cash = 0;
    Mills balance = 0;
    Mills mobile = 0;
    std::string mobileOrderid;
};

struct ScoreGrant {
    std::string memberid;
    std::int64_t score = 0;
    std::string reason;
    std::string info;
    Seconds time = 0;
};

// How the stand-in settles payments that nobody settles through the hooks.
struct PaymentOutcomes {
    OrderPlan qrPlan = OrderPlan::PayAfterPolls;
    int qrPolls = 3;
    int barcodePolls = 2;
};

struct MerchantState {
    struct KeyPairs {
        std::string collectionKey;
        std::string collectionSecret;
        std::string memberKey;
        std::string memberSecret;
    };

    KeyPairs keys;
    ShopInfo shop;
    std::vector<Staff> staff;
    std::vector<Order> orders;
    std::vector<CardType> cards;
    std::vector<Member> members;
    std::vector<PlatPassTemplate> platTemplates;
    std::vector<PlatPass> platPasses;
    std::vector<AliPassTemplate> aliTemplates;
    std::vector<WalletPass> aliPasses;
    std::vector<WxPassTemplate> wxTemplates;
    std::vector<WalletPass> wxPasses;
    std::vector<RechargeRule> rules;
    std::vector<Reason> reasons;
    std::vector<ScoreGrant> scoreGrants;
    // A repeated client order number answers with the first reply, so a retried
    // purchase never charges twice.
    std::map<std::string, std::string> settledByReverseId;
    std::vector<Settlement> settlements;
    PaymentOutcomes outcomes;
    std::int64_t nextSerial = 1;
};

} // namespace merchant
