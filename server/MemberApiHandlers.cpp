#include "server/MemberApiHandlers.h"

#include "platform/foundation/Strings.h"
#include "server/EntityJson.h"
#include "server/MoneyText.h"
#include "server/PayApiHandlers.h"

#include <cctype>

namespace merchant {

namespace {

// A discount rate out of 10 in thousandths ("8.5" -> 8500), or nullopt.
std::optional<Mills> rateOf(const std::string& text)
{
    auto rate = MoneyText::parse(text);
    if (!rate || *rate > 10'000)
        return std::nullopt;
    return rate;
}

Mills applyRate(Mills total, Mills rate)
{
    return MoneyText::roundToCent(total * rate / 10'000);
}

// A member without a card, or with an unreadable rate, pays full price.
Mills cardRate(const CardType* card)
{
    return card ? rateOf(card->discountrate).value_or(10'000) : 10'000;
}

// A member's coupon that can still be used, or nullptr.
PlatPass* usableCoupon(HandlerContext& context, const Member& member, const std::string& couponid)
{
    for (PlatPass& pass : context.state.platPasses) {
        if (pass.id == couponid && pass.memberid == member.id)
            return EntityJson::platPassStatus(pass, context.now) == "1" ? &pass : nullptr;
    }
    return nullptr;
}

// The price under a coupon; the rule matches the app's own estimate so that
// the confirm button and the server agree.
Mills couponPrice(const PlatPassTemplate& model, Mills total)
{
    if (total < model.conditionprice)
        return total;
    if (model.type == "0")
        return total >= model.discountmoney ? total - model.discountmoney : total;
    auto rate = rateOf(model.discountrate);
    return rate ? applyRate(total, *rate) : total;
}

// The parts of a payment as the app sends them: absent parts are zero.
struct PaymentParts {
    Mills total = 0;
    Mills cash = 0;
    Mills balance = 0;
    Mills mobile = 0;
};

std::optional<Mills> optionalAmount(const FormParams& params, const std::string& key)
{
    auto text = params.find(key);
    if (!text)
        return Mills { 0 };
    auto amount = MoneyText::parse(*text);
    if (!amount)
        return std::nullopt;
    return MoneyText::roundToCent(*amount);
}

// Checks the mobile part against the collection order it names; returns the
// refusal text, or "" with *order set (nullptr when there is no mobile part).
std::string checkMobilePart(HandlerContext& context, const FormParams& params, Mills mobile, Order** order)
{
    *order = nullptr;
    if (mobile == 0)
        return "";
    Order* paid = PayApiHandlers::findOrder(context.state, params.value("m_orderid"));
    if (!paid)
        return "移动支付订单不存在";
    if (paid->paystatus != "1" || paid->isRefund != "0")
        return "移动支付订单未支付";
    if (!paid->usedBy.empty())
        return "移动支付订单已使用";
    if (!MoneyText::sameToTheCent(paid->paymoney, mobile))
        return "移动支付金额不符";
    *order = paid;
    return "";
}

Json settledReply(const std::string& orderid)
{
    Json data = Json::object();
    data["status"] = "1";
    data["orderid"] = orderid;
    return Envelope::success(data, "结账成功");
}

// Where a settlement is remembered under the client's order number, or ""
// when the client sent none.
std::string replayKey(const std::string& scope, const FormParams& params)
{
    std::string reverseid = params.value("reverseid");
    return reverseid.empty() ? "" : scope + ":" + reverseid;
}

// A repeated client order number gets the first answer again and changes
// nothing, so a retried submission never charges twice.
std::optional<Json> replayed(HandlerContext& context, const std::string& scope, const FormParams& params)
{
    std::string key = replayKey(scope, params);
    if (key.empty())
        return std::nullopt;
    auto it = context.state.settledByReverseId.find(key);
    if (it == context.state.settledByReverseId.end())
        return std::nullopt;
    return settledReply(it->second);
}

// Why no price can be quoted for the member and total, or "" when it can.
std::string quoteRefusal(const Member* member, const std::optional<Mills>& total)
{
    if (!member)
        return "会员不存在";
    if (!total || *total <= 0)
        return "消费金额不正确";
    return "";
}

// Why the member cannot pay or top up, or "" when it can.
std::string settlingRefusal(const Member* member)
{
    if (!member)
        return "会员不存在";
    if (member->status != "1")
        return "会员状态异常";
    return "";
}

// Numbers a settlement whose money has already moved, spends the mobile
// payment on it and remembers it for a retried submission and for the
// tests' reading.
Json settle(HandlerContext& context, const FormParams& params, const std::string& scope, const char* prefix,
    Order* mobileOrder, const PaymentParts& parts)
{
    std::string orderid = prefix + std::to_string(context.now) + std::to_string(context.nextSerial());
    if (mobileOrder)
        mobileOrder->usedBy = orderid;
    std::string key = replayKey(scope, params);
    if (!key.empty())
        context.state.settledByReverseId[key] = orderid;
    Settlement settlement;
    settlement.kind = scope;
    settlement.orderid = orderid;
    settlement.reverseid = params.value("reverseid");
    settlement.memberid = params.value("memberid");
    settlement.total = parts.total;
    settlement.cash = parts.cash;
    settlement.balance = parts.balance;
    settlement.mobile = parts.mobile;
    settlement.mobileOrderid = mobileOrder ? mobileOrder->orderid : std::string();
    context.state.settlements.push_back(std::move(settlement));
    return settledReply(orderid);
}

bool matchesKeyword(const Member& member, const std::string& keyword)
{
    if (keyword.empty())
        return true;
    return member.truename.find(keyword) != std::string::npos || member.tel.find(keyword) != std::string::npos
        || member.cardnum.find(keyword) != std::string::npos;
}

std::string trimmed(const std::string& text)
{
    std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return "";
    std::size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

} // namespace

Member* MemberApiHandlers::findMember(MerchantState& state, const std::string& id)
{
    if (id.empty())
        return nullptr;
    for (Member& member : state.members) {
        if (member.id == id)
            return &member;
    }
    return nullptr;
}

Json MemberApiHandlers::getMemberList(HandlerContext& context, const FormParams& params)
{
    std::string cardid = params.value("cardid");
    std::string keyword = trimmed(params.value("keyword"));
    std::vector<const Member*> matches;
    for (const Member& member : context.state.members) {
        if (!cardid.empty() && member.cardid != cardid)
            continue;
        if (matchesKeyword(member, keyword))
            matches.push_back(&member);
    }
    std::vector<const Member*> page = Paging::read(params).slice(matches);
    Json list = Json::array();
    for (const Member* member : page)
        list.push_back(EntityJson::memberRow(*member, context));
    // Unlike the order list, count is the number of all matches: the search
    // screen shows the server's info when it is 0.
    return Envelope::page(std::move(list), matches.size(), matches.empty() ? "没有找到相关会员" : "成功");
}

Json MemberApiHandlers::getCardList(HandlerContext& context, const FormParams&)
{
    Json list = Json::array();
    for (const CardType& card : context.state.cards)
        list.push_back(EntityJson::card(card));
    return Envelope::success(list);
}

Json MemberApiHandlers::getUserInfo(HandlerContext& context, const FormParams& params)
{
    const Member* member = EntityJson::memberWith(context.state, &Member::cardnum, params.value("cardnum"));
    if (!member)
        return Envelope::failure("会员不存在");
    return Envelope::success(EntityJson::memberDetail(*member, context));
}

Json MemberApiHandlers::getCoupon(HandlerContext& context, const FormParams& params)
{
    const Member* member = findMember(context.state, params.value("memberid"));
    if (!member)
        return Envelope::failure("会员不存在");
    Json list = Json::array();
    for (const PlatPass& pass : context.state.platPasses) {
        if (pass.memberid != member->id || EntityJson::platPassStatus(pass, context.now) != "1")
            continue;
        if (const PlatPassTemplate* model = EntityJson::templateOf(context.state, pass))
            list.push_back(EntityJson::coupon(pass, *model));
    }
    return Envelope::success(list);
}

Json MemberApiHandlers::memcOrder(HandlerContext& context, const FormParams& params)
{
    const Member* member = findMember(context.state, params.value("memberid"));
    auto total = MoneyText::parse(params.value("totalprice"));
    if (std::string refusal = quoteRefusal(member, total); !refusal.empty())
        return Envelope::failure(refusal);
    const CardType* card = EntityJson::cardOf(context.state, *member);
    Mills rate = cardRate(card);
    Json data = Json::object();
    data["cardid"] = card ? card->cardid : "";
    data["cardname"] = card ? card->cardname : "";
    data["memberid"] = member->id;
    data["discountrate"] = card ? card->discountrate : "10";
    data["totalprice"] = MoneyText::format(*total);
    data["actualprice"] = MoneyText::format(applyRate(MoneyText::roundToCent(*total), rate));
    return Envelope::success(data);
}

Json MemberApiHandlers::calcOrder(HandlerContext& context, const FormParams& params)
{
    const Member* member = findMember(context.state, params.value("memberid"));
    auto total = MoneyText::parse(params.value("totalprice"));
    if (std::string refusal = quoteRefusal(member, total); !refusal.empty())
        return Envelope::failure(refusal);
    PlatPass* pass = usableCoupon(context, *member, params.value("couponid"));
    const PlatPassTemplate* model = pass ? EntityJson::templateOf(context.state, *pass) : nullptr;
    if (!model)
        return Envelope::failure("优惠券不可用");
    Mills cents = MoneyText::roundToCent(*total);
    Json data = Json::object();
    data["title"] = model->title;
    data["type"] = model->type;
    data["totalprice"] = MoneyText::format(cents);
    data["discountrate"] = model->discountrate;
    data["conditionprice"] = MoneyText::format(model->conditionprice);
    data["discountmoney"] = MoneyText::format(model->discountmoney);
    data["actualprice"] = MoneyText::format(couponPrice(*model, cents));
    return Envelope::success(data);
}

Json MemberApiHandlers::payOrder(HandlerContext& context, const FormParams& params)
{
    if (auto reply = replayed(context, "pay", params))
        return *reply;
    Member* member = findMember(context.state, params.value("memberid"));
    if (std::string refusal = settlingRefusal(member); !refusal.empty())
        return Envelope::failure(refusal);
    auto total = MoneyText::parse(params.value("totalprice"));
    auto actual = MoneyText::parse(params.value("actualprice"));
    if (!total || *total <= 0 || !actual)
        return Envelope::failure("消费金额不正确");
    Mills totalCents = MoneyText::roundToCent(*total);
    Mills expected = totalCents;
    PlatPass* coupon = nullptr;
    if (params.has("couponid")) {
        coupon = usableCoupon(context, *member, params.value("couponid"));
        const PlatPassTemplate* model = coupon ? EntityJson::templateOf(context.state, *coupon) : nullptr;
        if (!model)
            return Envelope::failure("优惠券不可用");
        // Below the threshold the coupon takes nothing off, so using it up
        // would only cost the member the coupon.
        if (totalCents < model->conditionprice)
            return Envelope::failure("未达到优惠券使用条件");
        expected = couponPrice(*model, totalCents);
        // A money-off coupon worth more than the total takes nothing off:
        // the member pays the total and keeps the coupon.
        if (expected == totalCents)
            coupon = nullptr;
    } else if (params.has("cardid")) {
        expected = applyRate(totalCents, cardRate(EntityJson::cardOf(context.state, *member)));
    }
    // The app sends its own estimate when the quote was refused.
    if (!MoneyText::withinOneCent(*actual, expected))
        return Envelope::failure("实付金额不正确");
    auto cash = optionalAmount(params, "bycash");
    auto balance = optionalAmount(params, "bymoney");
    auto mobile = optionalAmount(params, "m_money");
    if (!cash || !balance || !mobile)
        return Envelope::failure("支付金额不正确");
    if (!MoneyText::sameToTheCent(*cash + *balance + *mobile, *actual))
        return Envelope::failure("支付金额与实付金额不符");
    // The app offers the stored money plus the gift money rounded to the
    // cent, so a gift of 12.345 lets 12.35 be spent.
    if (*balance > member->money + MoneyText::roundToCent(member->freemoney))
        return Envelope::failure("会员余额不足");
    Order* mobileOrder = nullptr;
    std::string refusal = checkMobilePart(context, params, *mobile, &mobileOrder);
    if (!refusal.empty())
        return Envelope::failure(refusal);

    // Stored money goes first, then the gift money; the part of a cent that
    // rounding added to the gift is forgiven rather than owed.
    Mills fromMoney = std::min(*balance, member->money);
    member->money -= fromMoney;
    member->freemoney -= std::min(*balance - fromMoney, member->freemoney);
    member->expensecount += 1;
    member->lastexpensetime = context.now;
    if (coupon) {
        coupon->status = "-1";
        coupon->usetime = context.now;
    }
    return settle(context, params, "pay", "M", mobileOrder, { totalCents, *cash, *balance, *mobile });
}

Json MemberApiHandlers::getRuleList(HandlerContext& context, const FormParams&)
{
    Json list = Json::array();
    for (const RechargeRule& rule : context.state.rules) {
        Json object = Json::object();
        object["id"] = rule.id;
        object["title"] = rule.title;
        object["require"] = MoneyText::format(rule.require);
        object["freemoney"] = MoneyText::format(rule.freemoney);
        object["freescore"] = std::to_string(rule.freescore);
        object["startdate"] = EntityJson::time(rule.startdate);
        object["enddate"] = EntityJson::time(rule.enddate);
        list.push_back(object);
    }
    return Envelope::success(list);
}

Json MemberApiHandlers::recharge(HandlerContext& context, const FormParams& params)
{
    if (auto reply = replayed(context, "recharge", params))
        return *reply;
    Member* member = findMember(context.state, params.value("memberid"));
    if (std::string refusal = settlingRefusal(member); !refusal.empty())
        return Envelope::failure(refusal);
    auto total = MoneyText::parse(params.value("totalprice"));
    if (!total || *total <= 0)
        return Envelope::failure("充值金额不正确");
    Mills totalCents = MoneyText::roundToCent(*total);
    const RechargeRule* rule = nullptr;
    std::string ruleid = params.value("ruleid");
    if (!ruleid.empty() && ruleid != "0") {
        for (const RechargeRule& candidate : context.state.rules) {
            if (candidate.id == ruleid)
                rule = &candidate;
        }
        if (!rule)
            return Envelope::failure("充值规则不存在");
    }
    auto cash = optionalAmount(params, "bycash");
    auto mobile = optionalAmount(params, "m_money");
    if (!cash || !mobile || params.has("bymoney"))
        return Envelope::failure("支付金额不正确");
    if (!MoneyText::sameToTheCent(*cash + *mobile, totalCents))
        return Envelope::failure("支付金额与充值金额不符");
    Order* mobileOrder = nullptr;
    std::string refusal = checkMobilePart(context, params, *mobile, &mobileOrder);
    if (!refusal.empty())
        return Envelope::failure(refusal);

    member->money += totalCents;
    if (rule && totalCents >= rule->require) {
        member->freemoney += rule->freemoney;
        member->score += rule->freescore;
        member->availScore += rule->freescore;
    }
    return settle(context, params, "recharge", "R", mobileOrder, { totalCents, *cash, 0, *mobile });
}

Json MemberApiHandlers::reasons(HandlerContext& context, const FormParams&)
{
    Json list = Json::array();
    for (const Reason& reason : context.state.reasons) {
        Json object = Json::object();
        object["id"] = reason.id;
        object["reason"] = reason.reason;
        list.push_back(object);
    }
    return Envelope::success(list);
}

Json MemberApiHandlers::reScore(HandlerContext& context, const FormParams& params)
{
    Member* member = findMember(context.state, params.value("memberid"));
    if (!member)
        return Envelope::failure("会员不存在");
    std::string text = params.value("score");
    bool digits = !text.empty() && text.size() <= 11 && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
    std::int64_t score = digits ? std::stoll(text) : 0;
    if (score < 1)
        return Envelope::failure("授予积分必须大于0");
    member->score += score;
    member->availScore += score;
    context.state.scoreGrants.push_back(
        { member->id, score, params.value("reason"), params.value("info"), context.now });
    return Envelope::statusOnly("授予积分成功");
}

Json MemberApiHandlers::memberPaypwd(HandlerContext& context, const FormParams& params)
{
    const Member* member = findMember(context.state, params.value("memberid"));
    if (!member)
        return Envelope::failure("会员不存在");
    if (foundation::asciiLowercase(params.value("password")) != member->payPasswordMd5)
        return Envelope::failure("消费密码错误");
    return Envelope::statusOnly("验证成功");
}

} // namespace merchant
