#include "server/PayApiHandlers.h"

#include "platform/foundation/Strings.h"
#include "server/DemoSeed.h"
#include "server/EntityJson.h"
#include "server/MoneyText.h"

#include <algorithm>
#include <cctype>

namespace merchant {

namespace {

const Staff* findStaff(
    const MerchantState& state, const std::string& username, const std::string& passwordMd5)
{
    for (const Staff& staff : state.staff) {
        if (staff.username == username && staff.passwordMd5 == foundation::asciiLowercase(passwordMd5))
            return &staff;
    }
    return nullptr;
}

bool isWallet(const std::string& wallet)
{
    return wallet == "alipay" || wallet == "wxpay" || wallet == "bdpay";
}

// The refusal for a wallet the merchant has not opened, or "" when it is open.
std::string walletRefusal(const ShopInfo& shop, const std::string& wallet)
{
    if (wallet == "alipay" && !shop.aliEnabled)
        return "商户未开通支付宝支付";
    if (wallet == "wxpay" && !shop.wxEnabled)
        return "商户未开通微信支付";
    if (wallet == "bdpay" && !shop.bdEnabled)
        return "商户未开通百度钱包支付";
    return isWallet(wallet) ? "" : "不支持的支付方式";
}

// Why no order can be opened for the request's amount and wallet, or "".
std::string collectionRefusal(const ShopInfo& shop, const FormParams& params)
{
    auto money = MoneyText::parse(params.value("money"));
    if (!money || *money <= 0)
        return "金额不正确";
    return walletRefusal(shop, params.value("m_paytype"));
}

// Decimal Unix seconds as the app sends day bounds ("1733500000" or with a
// fraction); the fraction is dropped.
std::optional<Seconds> readSeconds(const std::string& text)
{
    if (text.empty() || text.size() > 20)
        return std::nullopt;
    Seconds value = 0;
    std::size_t i = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        if (value > 1'000'000'000'000LL)
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (i == 0)
        return std::nullopt;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) { }
    }
    if (i != text.size())
        return std::nullopt;
    return value;
}

// The bounds of a report, both included.
struct Period {
    Seconds start = 0;
    Seconds end = 0;

    bool contains(Seconds when) const { return when >= start && when <= end; }
};

std::optional<Period> readPeriod(const FormParams& params)
{
    auto start = readSeconds(params.value("starttime"));
    auto end = readSeconds(params.value("endtime"));
    if (!start || !end)
        return std::nullopt;
    return Period { *start, *end };
}

// The order a request opens, once collectionRefusal has let it through.
Order newOrder(HandlerContext& context, const FormParams& params, const std::string& paytype)
{
    Order order;
    std::int64_t serial = context.nextSerial();
    order.orderid = DemoSeed::orderNumber(context.now, serial);
    order.tradeNo = "2026" + std::to_string(990000000 + serial);
    order.payment = params.value("m_paytype");
    order.paytype = paytype;
    order.paymoney = MoneyText::roundToCent(MoneyText::parse(params.value("money")).value_or(0));
    order.addtime = context.now;
    order.mid = params.value("mid");
    return order;
}

// Orders are looked up by number and, where the app sends it, by wallet too:
// the order search relies on a wrong wallet finding nothing.
Order* findOrderOfWallet(MerchantState& state, const FormParams& params)
{
    Order* order = PayApiHandlers::findOrder(state, params.value("orderid"));
    if (!order)
        return nullptr;
    auto wallet = params.find("m_paytype");
    if (wallet && *wallet != order->payment)
        return nullptr;
    return order;
}

Json orderWithPicture(const Order& order, const HandlerContext& context)
{
    return EntityJson::order(order, context);
}

} // namespace

Order* PayApiHandlers::findOrder(MerchantState& state, const std::string& orderid)
{
    if (orderid.empty())
        return nullptr;
    for (Order& order : state.orders) {
        if (order.orderid == orderid)
            return &order;
    }
    return nullptr;
}

bool PayApiHandlers::settle(Order& order, bool paid, Seconds now)
{
    if (order.paystatus != "0" || order.isRefund != "0")
        return false;
    if (paid) {
        order.paystatus = "1";
        order.paytime = now;
        order.priPaymoney = order.paymoney;
        order.buyerAccount = order.payment == "alipay" ? "139****8808"
            : order.payment == "wxpay"                 ? "oX2f_wx_payer"
                                                       : "bd_payer";
        order.buyerId
            = "2088102" + order.orderid.substr(order.orderid.size() > 6 ? order.orderid.size() - 6 : 0);
    } else {
        order.paystatus = "2";
    }
    order.pollsLeft = 0;
    return true;
}

Json PayApiHandlers::checkStaff(HandlerContext& context, const FormParams& params)
{
    const Staff* staff = findStaff(context.state, params.value("username"), params.value("password"));
    if (!staff)
        return Envelope::failure("用户名或密码错误");
    Json data = Json::object();
    data["id"] = staff->id;
    data["username"] = staff->username;
    data["truename"] = staff->truename;
    data["job"] = staff->job;
    return Envelope::success(data, "登录成功");
}

Json PayApiHandlers::getShopInfo(HandlerContext& context, const FormParams&)
{
    const ShopInfo& shop = context.state.shop;
    Json data = Json::object();
    data["company"] = shop.company;
    data["shopname"] = shop.shopname;
    data["nickname"] = shop.nickname;
    data["devicename"] = shop.devicename;
    data["ali_c"] = shop.aliEnabled ? "1" : "0";
    data["wx_c"] = shop.wxEnabled ? "1" : "0";
    data["bd_c"] = shop.bdEnabled ? "1" : "0";
    return Envelope::success(data);
}

Json PayApiHandlers::qrcode(HandlerContext& context, const FormParams& params)
{
    if (std::string refusal = collectionRefusal(context.state.shop, params); !refusal.empty())
        return Envelope::failure(refusal);
    Order order = newOrder(context, params, "2");
    order.picGeneration = 1;
    order.plan = context.state.outcomes.qrPlan;
    order.pollsLeft = context.state.outcomes.qrPolls;
    context.state.orders.push_back(order);
    Json data = Json::object();
    data["orderid"] = order.orderid;
    data["pic_url"] = EntityJson::picUrl(order, context.selfHost);
    data["paymoney"] = MoneyText::format(order.paymoney);
    data["payment"] = order.payment;
    return Envelope::success(data, "生成支付码成功");
}

Json PayApiHandlers::barcode(HandlerContext& context, const FormParams& params)
{
    if (std::string refusal = collectionRefusal(context.state.shop, params); !refusal.empty())
        return Envelope::failure(refusal);
    std::string code = params.value("dynamic_id");
    // The last digit of the customer's code picks the outcome, so the demo and
    // the tests can reach every branch with a typed code.
    char last = code.empty() ? '6' : code.back();
    if (last == '6')
        return Envelope::failure("支付码无效");
    Order order = newOrder(context, params, "1");
    order.dynamicId = code;
    std::string info;
    switch (last) {
    case '9':
        settle(order, false, context.now);
        break;
    case '8':
        order.plan = OrderPlan::PayAfterPolls;
        order.pollsLeft = context.state.outcomes.barcodePolls;
        info = "等待用户确认";
        break;
    case '5':
        order.plan = OrderPlan::FailAfterPolls;
        order.pollsLeft = context.state.outcomes.barcodePolls;
        info = "等待用户确认";
        break;
    case '7':
        order.plan = OrderPlan::Wait;
        info = "等待用户确认";
        break;
    default:
        settle(order, true, context.now);
        info = "支付成功";
    }
    context.state.orders.push_back(order);
    Json data = orderWithPicture(order, context);
    if (order.paystatus == "2") {
        Json reply = Envelope::failure("用户余额不足");
        reply["data"] = data;
        return reply;
    }
    return Envelope::success(data, info);
}

Json PayApiHandlers::getOrderStatus(HandlerContext& context, const FormParams& params)
{
    // The wallet is not checked: a Baidu order is re-polled under "wxpay".
    Order* order = findOrder(context.state, params.value("orderid"));
    if (!order)
        return Envelope::failure("订单不存在");
    if (order->paystatus == "0" && order->isRefund == "0" && order->plan != OrderPlan::Wait) {
        if (--order->pollsLeft <= 0)
            settle(*order, order->plan == OrderPlan::PayAfterPolls, context.now);
    }
    return Envelope::success(orderWithPicture(*order, context), "查询成功");
}

Json PayApiHandlers::getMoneySum(HandlerContext& context, const FormParams& params)
{
    auto period = readPeriod(params);
    if (!period)
        return Envelope::failure("时间参数错误");
    Json data = Json::object();
    for (const char* wallet : { "alipay", "wxpay", "bdpay" }) {
        Mills sum = 0;
        bool any = false;
        for (const Order& order : context.state.orders) {
            if (order.payment == wallet && order.paystatus == "1" && period->contains(order.paytime)) {
                sum += order.priPaymoney;
                any = true;
            }
        }
        // The real back end answers "null" for a wallet without takings.
        data[std::string(wallet) + "_sum"] = any ? MoneyText::format(sum) : "null";
    }
    return Envelope::success(data);
}

Json PayApiHandlers::getOrderList(HandlerContext& context, const FormParams& params)
{
    auto period = readPeriod(params);
    if (!period)
        return Envelope::failure("时间参数错误");
    std::string wallet = params.value("m_paytype");
    std::vector<const Order*> rows;
    for (const Order& order : context.state.orders) {
        if (order.payment == wallet && period->contains(order.addtime))
            rows.push_back(&order);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Order* a, const Order* b) {
        return a->addtime != b->addtime ? a->addtime > b->addtime : a->orderid > b->orderid;
    });
    std::vector<const Order*> page = Paging::read(params).slice(rows);
    Json list = Json::array();
    for (const Order* order : page)
        list.push_back(EntityJson::order(*order, context));
    // The app only asks whether count < 1, and must hear "0" exactly when the
    // page is empty, so count is the number of rows on this page.
    return Envelope::page(std::move(list), page.size());
}

Json PayApiHandlers::getOrderDetails(HandlerContext& context, const FormParams& params)
{
    Order* order = findOrderOfWallet(context.state, params);
    if (!order)
        return Envelope::failure("订单不存在");
    return Envelope::success(orderWithPicture(*order, context));
}

Json PayApiHandlers::cancel(HandlerContext& context, const FormParams& params)
{
    Order* order = findOrderOfWallet(context.state, params);
    if (!order)
        return Envelope::failure("订单不存在");
    if (order->isRefund == "1")
        return Envelope::failure("该订单已撤销");
    if (order->isRefund == "2")
        return Envelope::failure("该订单已退款,无法撤销");
    if (order->paystatus == "1")
        return Envelope::failure("该订单已付款成功,无法撤销");
    if (order->paystatus != "0")
        return Envelope::failure("只有待付款的订单才能撤销");
    // The order stays "waiting" and is marked cancelled, and nothing settles it later.
    order->isRefund = "1";
    order->pollsLeft = 0;
    return Envelope::statusOnly("撤销订单成功");
}

Json PayApiHandlers::refund(HandlerContext& context, const FormParams& params)
{
    Order* order = findOrder(context.state, params.value("orderid"));
    if (!order)
        return Envelope::failure("订单不存在");
    const Staff* staff = findStaff(context.state, params.value("username"), params.value("password"));
    if (!staff)
        return Envelope::failure("用户名或密码错误");
    if (staff->job != "2")
        return Envelope::failure("您不是店长,没有退款权限");
    if (order->isRefund == "1")
        return Envelope::failure("该订单已撤销,无法退款");
    if (order->paystatus != "1")
        return Envelope::failure("该订单还未付款,无法退款");
    if (order->priPaymoney <= 0)
        return Envelope::failure("该订单已全额退款");
    auto amount = MoneyText::parse(params.value("refundmoney"));
    if (!amount)
        return Envelope::failure("退款金额不正确");
    Mills cents = MoneyText::roundToCent(*amount);
    if (cents <= 0)
        return Envelope::failure("退款金额必须大于0");
    if (cents > order->priPaymoney)
        return Envelope::failure("退款金额不可大于实收金额");
    order->priPaymoney -= cents;
    order->refundmoney += cents;
    order->isRefund = "2";
    order->refundtime = context.now;
    order->reason = params.value("reason");
    return Envelope::statusOnly("退款成功");
}

Json PayApiHandlers::repay(HandlerContext& context, const FormParams& params)
{
    Order* order = findOrderOfWallet(context.state, params);
    if (!order)
        return Envelope::failure("订单不存在");
    if (order->paystatus == "1")
        return Envelope::failure("该订单已付款成功,无需重新支付");
    if (order->isRefund != "0")
        return Envelope::failure(
            order->isRefund == "1" ? "该订单已撤销,无需重新支付" : "该订单已退款,无需重新支付");
    if (order->paystatus != "0")
        return Envelope::failure("只有待付款订单才能重新支付");
    if (order->paytype != "2")
        return Envelope::failure("重新支付只支持二维码扫描方式");
    ++order->picGeneration;
    if (order->plan != OrderPlan::Wait)
        order->pollsLeft = context.state.outcomes.qrPolls;
    Json data = Json::object();
    data["orderid"] = order->orderid;
    data["paymoney"] = MoneyText::format(order->paymoney);
    data["pic_url"] = EntityJson::picUrl(*order, context.selfHost);
    data["payment"] = order->payment;
    return Envelope::success(data);
}

Json PayApiHandlers::modifyStaffPassword(MerchantState& state, const FormParams& params)
{
    if (params.value("key") != state.keys.collectionKey)
        return Envelope::failure("key无效");
    std::string newPassword = foundation::asciiLowercase(params.value("newpassword"));
    bool isMd5 = newPassword.size() == 32 && std::all_of(newPassword.begin(), newPassword.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c));
    });
    for (Staff& staff : state.staff) {
        if (staff.username != params.value("username"))
            continue;
        if (staff.passwordMd5 != foundation::asciiLowercase(params.value("password")))
            return Envelope::failure("原密码错误");
        if (!isMd5)
            return Envelope::failure("新密码格式错误");
        staff.passwordMd5 = newPassword;
        return Envelope::statusOnly("密码修改成功");
    }
    return Envelope::failure("用户不存在");
}

} // namespace merchant
