#include "server/DemoSeed.h"

#include "server/MoneyText.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

namespace merchant {

namespace {

constexpr Seconds kDay = 24 * 3600;

std::string serialText(const char* prefix, std::int64_t number, int width)
{
    char text[48];
    std::snprintf(text, sizeof text, "%s%0*lld", prefix, width, static_cast<long long>(number));
    return text;
}

std::string dayStamp(Seconds when)
{
    std::time_t t = static_cast<std::time_t>(when);
    std::tm local {};
    localtime_r(&t, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", &local);
    return text;
}

struct OrderSeed {
    const char* payment;
    const char* paytype;
    Mills paymoney;
    const char* paystatus;
    const char* isRefund;
    Mills refunded;
    Seconds minutesAgo;
    OrderPlan plan;
};

const char* buyerFor(const std::string& payment)
{
    if (payment == "alipay")
        return "138****6621";
    if (payment == "wxpay")
        return "oX2f_wx_buyer";
    return "bd_buyer_5120";
}

void seedOrders(MerchantState& state, Seconds now)
{
    Seconds dayStart = DemoSeed::localDayStart(now);
    // Every state on every wallet, so each tab of the takings screen and each
    // button of the order detail can be reached.
    const std::array<OrderSeed, 9> perWallet { {
        { "", "1", 12'500, "1", "0", 0, 200, OrderPlan::Wait },
        { "", "2", 88'000, "1", "0", 0, 190, OrderPlan::Wait },
        { "", "1", 45'600, "2", "0", 0, 180, OrderPlan::Wait },
        { "", "1", 9'900, "0", "0", 0, 170, OrderPlan::Wait },
        { "", "2", 23'000, "0", "1", 0, 160, OrderPlan::Wait },
        { "", "1", 100'000, "1", "2", 30'000, 150, OrderPlan::Wait },
        { "", "2", 66'600, "1", "2", 66'600, 140, OrderPlan::Wait },
        { "", "2", 18'800, "0", "0", 0, 130, OrderPlan::PayAfterPolls },
        { "", "1", 5'000, "1", "0", 0, 24 * 60 + 30, OrderPlan::Wait }, // yesterday
    } };
    const std::array<const char*, 3> wallets { "alipay", "wxpay", "bdpay" };
    std::int64_t serial = 1;
    auto add = [&](const OrderSeed& seed, const std::string& payment, Seconds minutesAgo) {
        Order order;
        order.orderid = DemoSeed::orderNumber(now, serial);
        order.tradeNo = serialText("2026", 880000 + serial, 12);
        order.payment = payment;
        order.paytype = seed.paytype;
        order.paymoney = seed.paymoney;
        order.paystatus = seed.paystatus;
        order.isRefund = seed.isRefund;
        Seconds when = now - minutesAgo * 60;
        // Keep "today's" orders inside today even just after midnight.
        if (minutesAgo < 24 * 60)
            when = std::max(when, dayStart + static_cast<Seconds>(serial));
        order.addtime = when;
        order.mid = "8";
        if (order.paystatus == "1") {
            order.paytime = when + 20;
            order.priPaymoney = seed.paymoney - seed.refunded;
            order.buyerAccount = buyerFor(payment);
            order.buyerId = "2088" + serialText("", serial, 12);
        }
        if (seed.refunded > 0) {
            order.refundmoney = seed.refunded;
            order.refundtime = when + 600;
            order.reason = "";
        }
        if (order.paytype == "1")
            order.dynamicId = serialText(payment == "wxpay" ? "13"
                    : payment == "bdpay"                    ? "31"
                                                            : "28",
                serial, 16);
        else
            order.picGeneration = 1;
        order.plan = seed.plan;
        order.pollsLeft = seed.plan == OrderPlan::PayAfterPolls ? 3 : 0;
        state.orders.push_back(order);
        ++serial;
    };
    for (const char* wallet : wallets) {
        for (const OrderSeed& seed : perWallet)
            add(seed, wallet, seed.minutesAgo);
    }
    // More paid Alipay orders so that the day's list runs past one page.
    for (int i = 0; i < 8; ++i)
        add({ "", "1", 1'000 * (i + 1) + 500, "1", "0", 0, 0, OrderPlan::Wait }, "alipay", 100 - i * 10);
    state.nextSerial = serial;
}

void seedMembers(MerchantState& state, Seconds now)
{
    state.cards = {
        { "1", "101", "普通卡", "1", "1", "9.5", "365", "0", "0", "0" },
        { "2", "102", "金卡", "1", "2", "8.5", "730", "0", "0", "0" },
        { "3", "103", "钻石卡", "1", "3", "8", "0", "0", "0", "0" },
    };
    const std::array<const char*, 25> names { "张伟", "王芳", "李娜", "刘洋", "陈静", "杨磊", "赵敏", "黄勇",
        "周杰", "吴霞", "徐明", "孙丽", "马超", "朱琳", "胡斌", "郭燕", "何军", "高红", "林峰", "罗娟",
        "郑涛", "梁雪", "谢鹏", "宋佳", "唐伟" };
    for (std::size_t i = 0; i < names.size(); ++i) {
        int n = static_cast<int>(i) + 1;
        const CardType& card = state.cards[i % state.cards.size()];
        Member member;
        member.id = std::to_string(n);
        member.cardnum = serialText("8800", n, 4);
        member.cardid = card.cardid;
        member.truename = names[i];
        member.tel = serialText("1380013", n, 4);
        member.status = "1";
        switch (n % 3) {
        case 0:
            member.portrait = "";
            break;
        case 1:
            member.portrait = "/images/portrait/" + std::to_string(n) + ".png";
            break;
        default:
            member.portrait = "http://{self}/images/portrait/" + std::to_string(n) + ".png";
        }
        member.birthday = serialText("1990-0", (n % 9) + 1, 1) + "-15";
        member.qq = serialText("10", 20000 + n, 6);
        member.sex = n % 2 ? "1" : "2";
        member.address = "演示市中心路" + std::to_string(n) + "号";
        member.score = 100 * n;
        member.availScore = 100 * n;
        member.money = 200'000 + 10'000 * n;
        member.freemoney = 20'000;
        member.getcardtime = now - 300 * kDay + n * kDay;
        member.expiredate = now + 365 * kDay;
        member.payPasswordMd5 = DemoSeed::kPasswordMd5;
        member.expensecount = n % 7;
        member.lastexpensetime = n % 7 ? now - n * kDay : 0;
        member.refererid = n > 1 ? std::to_string(n - 1) : "";
        member.openId = serialText("2088ali", n, 6);
        member.wechaId = serialText("oWx_member_", n, 4);
        state.members.push_back(member);
    }
    // Members that each exercise one reading rule of the member screens.
    state.members[0].nopwd = "1";
    state.members[1].openId.clear();
    state.members[1].wechaId.clear();
    state.members[2].expiredate = 0;
    state.members[3].freemoney = 12'345;
    state.members[4].qq.reset();
    state.members[5].status = "0";
    state.members[6].money = 0;
    state.members[6].freemoney = 0;
}

// Passes written off weeks ago by members 11 to 19, behind the ones above in
// every log: enough that the logs of used passes run to a second page.
void seedOlderUsedPasses(MerchantState& state, Seconds now)
{
    for (int i = 1; i <= 9; ++i) {
        std::string memberid = std::to_string(10 + i);
        Seconds got = now - static_cast<Seconds>(40 + i) * kDay;
        Seconds used = got + kDay;
        const PlatPassTemplate& model = state.platTemplates[static_cast<std::size_t>(i % 3)];
        PlatPass pass;
        pass.id = std::to_string(state.platPasses.size() + 1);
        pass.vcode = serialText("6600", static_cast<std::int64_t>(state.platPasses.size() + 1), 8);
        pass.modelid = model.modelid;
        pass.memberid = memberid;
        pass.gettime = got;
        pass.status = "-1";
        pass.usetime = used;
        pass.startdate = model.startdate;
        pass.enddate = model.enddate;
        state.platPasses.push_back(pass);
        state.aliPasses.push_back({ std::to_string(state.aliPasses.size() + 1), state.aliTemplates[i % 2].grantTitle,
            memberid, serialText("7700", static_cast<std::int64_t>(state.aliPasses.size() + 1), 8), got, used,
            "USED" });
        state.wxPasses.push_back({ std::to_string(state.wxPasses.size() + 1), state.wxTemplates[i % 2].cardTitle,
            memberid, serialText("8800", static_cast<std::int64_t>(state.wxPasses.size() + 1), 8), got, used, "1" });
    }
}

void seedPasses(MerchantState& state, Seconds now)
{
    state.platTemplates = {
        { "1", "满100减20", "0", 20'000, 100'000, "10", now - 30 * kDay, now + 60 * kDay },
        { "2", "9折优惠券", "1", 0, 50'000, "9", now - 30 * kDay, now + 60 * kDay },
        { "3", "无门槛5元券", "0", 5'000, 0, "10", now - 30 * kDay, now + 60 * kDay },
        { "4", "国庆8折券", "1", 0, 0, "8", now - 90 * kDay, now - kDay },
    };
    struct PassSeed {
        const char* modelid;
        const char* memberid;
        const char* status;
        Seconds usedAgo;
    };
    const std::array<PassSeed, 12> passes { {
        { "1", "1", "1", 0 },
        { "2", "1", "1", 0 },
        { "3", "1", "1", 0 },
        { "1", "1", "-1", 2 * kDay },
        { "4", "1", "1", 0 },
        { "1", "2", "1", 0 },
        { "3", "3", "1", 0 },
        { "2", "4", "-1", kDay },
        { "3", "5", "1", 0 },
        { "1", "8", "1", 0 },
        { "4", "9", "-1", 10 * kDay },
        { "2", "10", "1", 0 },
    } };
    for (std::size_t i = 0; i < passes.size(); ++i) {
        const PassSeed& seed = passes[i];
        const PlatPassTemplate& model
            = state.platTemplates[static_cast<std::size_t>(std::stoi(seed.modelid) - 1)];
        PlatPass pass;
        pass.id = std::to_string(i + 1);
        pass.vcode = serialText("6600", static_cast<std::int64_t>(i + 1), 8);
        pass.modelid = seed.modelid;
        pass.memberid = seed.memberid;
        pass.gettime = now - static_cast<Seconds>(20 - i) * kDay;
        pass.status = seed.status;
        pass.usetime = seed.usedAgo ? now - seed.usedAgo : 0;
        pass.startdate = model.startdate;
        pass.enddate = model.enddate;
        pass.remarks = i % 2 ? "" : "老客户回馈";
        state.platPasses.push_back(pass);
    }

    state.aliTemplates = { { "2016001", "支付宝10元代金券", 10.0 }, { "2016002", "支付宝咖啡兑换券", 25.5 } };
    state.aliPasses = {
        { "1", "支付宝10元代金券", "1", "770000000001", now - 5 * kDay, 0, "ZERO" },
        { "2", "支付宝咖啡兑换券", "3", "770000000002", now - 4 * kDay, now - 3 * kDay, "USED" },
        { "3", "支付宝10元代金券", "4", "770000000003", now - 40 * kDay, 0, "CLOSED" },
        { "4", "支付宝咖啡兑换券", "1", "770000000004", now - 2 * kDay, now - kDay, "USED" },
    };
    state.wxTemplates = { { "pWx0001", "微信会员8折券" }, { "pWx0002", "微信满50减10" } };
    state.wxPasses = {
        { "1", "微信会员8折券", "1", "880000000001", now - 6 * kDay, 0, "0" },
        { "2", "微信满50减10", "3", "880000000002", now - 5 * kDay, now - 4 * kDay, "1" },
        { "3", "微信会员8折券", "5", "880000000003", now - 3 * kDay, 0, "2" },
        { "4", "微信满50减10", "1", "880000000004", now - kDay, now - 3600, "1" },
    };
    seedOlderUsedPasses(state, now);
}

} // namespace

std::string DemoSeed::orderNumber(Seconds now, std::int64_t serial)
{
    return dayStamp(now) + serialText("", serial % 1'000'000, 6);
}

Seconds DemoSeed::localDayStart(Seconds now)
{
    std::time_t t = static_cast<std::time_t>(now);
    std::tm local {};
    localtime_r(&t, &local);
    local.tm_hour = 0;
    local.tm_min = 0;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    return static_cast<Seconds>(std::mktime(&local));
}

MerchantState DemoSeed::build(Seconds now)
{
    MerchantState state;
    state.keys.collectionKey = "pay-demo-key";
    state.keys.collectionSecret = "paysecret2026";
    state.keys.memberKey = "member-demo-key";
    state.keys.memberSecret = "mbr12345";
    state.shop = { "演示商贸有限公司", "演示旗舰店", "小演", "收银台1号", true, true, true };
    state.staff = {
        { "7", "boss", "王店长", "2", kPasswordMd5 },
        { "8", "cashier", "李收银", "1", kPasswordMd5 },
    };
    seedOrders(state, now);
    seedMembers(state, now);
    seedPasses(state, now);
    state.rules = {
        { "1", "充100送20", 100'000, 20'000, 0, now - 30 * kDay, now + 90 * kDay },
        { "2", "充500送120", 500'000, 120'000, 100, now - 30 * kDay, now + 90 * kDay },
        { "3", "充1000送300再送500积分", 1'000'000, 300'000, 500, now - 30 * kDay, now + 90 * kDay },
    };
    state.reasons = { { "1", "消费奖励" }, { "2", "活动赠送" }, { "3", "生日礼物" }, { "4", "服务补偿" } };
    return state;
}

std::string DemoSeed::banner(const MerchantState& state)
{
    std::string text;
    text += "Demo merchant: " + state.shop.company + " / " + state.shop.shopname + "\n";
    const MerchantState::KeyPairs& keys = state.keys;
    text += "  collection key: " + keys.collectionKey + "   encryption key: " + keys.collectionSecret + "\n";
    text += "  member key:     " + keys.memberKey + "   encryption key: " + keys.memberSecret + "\n";
    for (const Staff& staff : state.staff) {
        text += "  login " + staff.username + " / " + kPassword
            + (staff.job == "2" ? "  (shop owner)" : "  (cashier)") + "\n";
    }
    text += "  member payment password: " + std::string(kPassword) + " (member "
        + state.members.front().cardnum + " pays without one)\n";
    text += "  payment codes by last digit: 9 fails, 8 waits then pays, 7 waits, 6 is refused, 5 waits then "
            "fails,\n"
            "  any other pays at once; QR orders are paid after "
        + std::to_string(state.outcomes.qrPolls) + " polls\n";
    return text;
}

} // namespace merchant
