#include "server/EntityJson.h"

#include "server/MoneyText.h"

namespace merchant {

namespace {

void addCardFields(Json& object, const CardType* card)
{
    object["cardid"] = card ? card->cardid : "";
    object["cardname"] = card ? card->cardname : "";
    object["cardtype"] = card ? card->cardtype : "";
    object["level"] = card ? card->level : "";
    object["discountrate"] = card ? card->discountrate : "10";
    object["expiredays"] = card ? card->expiredays : "";
    object["avail_times"] = card ? card->availTimes : "";
    object["avail_periods"] = card ? card->availPeriods : "";
}

} // namespace

std::string EntityJson::time(Seconds when)
{
    return std::to_string(when);
}

std::string EntityJson::picUrl(const Order& order, const std::string& selfHost)
{
    if (order.paytype != "2")
        return "";
    return "http://" + selfHost + "/qr/" + order.orderid + "-" + std::to_string(order.picGeneration) + ".png";
}

std::string EntityJson::portraitUrl(const Member& member, const std::string& selfHost)
{
    const std::string marker = "{self}";
    std::string url = member.portrait;
    auto at = url.find(marker);
    if (at != std::string::npos)
        url.replace(at, marker.size(), selfHost);
    return url;
}

Json EntityJson::order(const Order& order, const HandlerContext& context)
{
    Json object = Json::object();
    object["orderid"] = order.orderid;
    object["trade_no"] = order.paystatus == "1" ? order.tradeNo : "";
    object["payment"] = order.payment;
    object["paytype"] = order.paytype;
    object["paymoney"] = MoneyText::format(order.paymoney);
    object["pri_paymoney"] = MoneyText::format(order.priPaymoney);
    object["paystatus"] = order.paystatus;
    object["is_refund"] = order.isRefund;
    object["addtime"] = time(order.addtime);
    object["paytime"] = time(order.paytime);
    object["refundmoney"] = MoneyText::format(order.refundmoney);
    object["refundtime"] = time(order.refundtime);
    object["reason"] = order.reason;
    object["buyer_id"] = order.buyerId;
    object["buyer_account"] = order.buyerAccount;
    object["seller_id"] = "2088000000000001";
    object["seller_account"] = "shop@example.com";
    object["company"] = context.state.shop.company;
    object["shopname"] = context.state.shop.shopname;
    object["nickname"] = context.state.shop.nickname;
    object["pic_url"] = picUrl(order, context.selfHost);
    return object;
}

Json EntityJson::card(const CardType& card)
{
    Json object = Json::object();
    object["id"] = card.id;
    object["cardid"] = card.cardid;
    object["cardname"] = card.cardname;
    object["cardtype"] = card.cardtype;
    object["level"] = card.level;
    object["discountrate"] = card.discountrate;
    object["expiredays"] = card.expiredays;
    object["expiredate"] = card.expiredate;
    object["avail_times"] = card.availTimes;
    object["avail_periods"] = card.availPeriods;
    return object;
}

Json EntityJson::memberRow(const Member& member, const HandlerContext& context)
{
    Json object = Json::object();
    object["id"] = member.id;
    object["truename"] = member.truename;
    object["tel"] = member.tel;
    object["cardnum"] = member.cardnum;
    object["status"] = member.status;
    object["portrait"] = portraitUrl(member, context.selfHost);
    addCardFields(object, cardOf(context.state, member));
    object["avail_score"] = std::to_string(member.availScore);
    object["money"] = MoneyText::formatExact(member.money);
    object["freemoney"] = MoneyText::formatExact(member.freemoney);
    object["expiredate"] = time(member.expiredate);
    return object;
}

Json EntityJson::memberDetail(const Member& member, const HandlerContext& context)
{
    Json object = memberRow(member, context);
    object["birthday"] = member.birthday;
    object["score"] = std::to_string(member.score);
    object["getcardtime"] = time(member.getcardtime);
    if (member.qq)
        object["qq"] = *member.qq;
    else
        object["qq"] = nullptr;
    object["sex"] = member.sex;
    object["address"] = member.address;
    object["nopwd"] = member.nopwd;
    object["expensecount"] = std::to_string(member.expensecount);
    object["lastexpensetime"] = time(member.lastexpensetime);
    object["refererid"] = member.refererid;
    object["remarks"] = member.remarks;
    object["open_id"] = member.openId;
    object["wecha_id"] = member.wechaId;
    return object;
}

Json EntityJson::coupon(const PlatPass& pass, const PlatPassTemplate& model)
{
    Json object = Json::object();
    object["id"] = pass.id;
    object["type"] = model.type;
    object["title"] = model.title;
    object["conditionprice"] = MoneyText::format(model.conditionprice);
    object["discountmoney"] = MoneyText::format(model.discountmoney);
    object["discountrate"] = model.discountrate;
    object["code"] = pass.vcode;
    object["startdate"] = time(pass.startdate);
    object["enddate"] = time(pass.enddate);
    return object;
}

std::string EntityJson::platPassStatus(const PlatPass& pass, Seconds now)
{
    if (pass.status == "1" && pass.enddate != 0 && pass.enddate < now)
        return "0";
    return pass.status;
}

Json EntityJson::platPassRecord(const PlatPass& pass, const HandlerContext& context)
{
    const PlatPassTemplate* model = templateOf(context.state, pass);
    const Member* member = memberById(context.state, pass.memberid);
    const CardType* card = member ? cardOf(context.state, *member) : nullptr;
    Json object = Json::object();
    object["id"] = pass.id;
    object["vcode"] = pass.vcode;
    object["title"] = model ? model->title : "";
    object["cardnum"] = member ? member->cardnum : "";
    object["cardname"] = card ? card->cardname : "";
    object["level"] = card ? card->level : "";
    object["truename"] = member ? member->truename : "";
    object["tel"] = member ? member->tel : "";
    object["usetime"] = pass.usetime ? time(pass.usetime) : "";
    object["gettime"] = time(pass.gettime);
    object["startdate"] = time(pass.startdate);
    object["enddate"] = time(pass.enddate);
    object["status"] = platPassStatus(pass, context.now);
    object["remarks"] = pass.remarks;
    return object;
}

Json EntityJson::walletPassRecord(const WalletPass& pass, const HandlerContext& context)
{
    const Member* member = memberById(context.state, pass.memberid);
    Json object = Json::object();
    object["id"] = pass.id;
    object["cardname"] = pass.cardname;
    object["truename"] = member ? member->truename : "";
    object["cardnum"] = member ? member->cardnum : "";
    object["verify_code"] = pass.verifyCode;
    object["gettime"] = time(pass.gettime);
    object["usetime"] = time(pass.usetime);
    object["status"] = pass.status;
    return object;
}

const CardType* EntityJson::cardOf(const MerchantState& state, const Member& member)
{
    for (const CardType& card : state.cards) {
        if (card.cardid == member.cardid)
            return &card;
    }
    return nullptr;
}

const PlatPassTemplate* EntityJson::templateOf(const MerchantState& state, const PlatPass& pass)
{
    for (const PlatPassTemplate& model : state.platTemplates) {
        if (model.modelid == pass.modelid)
            return &model;
    }
    return nullptr;
}

const Member* EntityJson::memberById(const MerchantState& state, const std::string& id)
{
    return memberWith(state, &Member::id, id);
}

const Member* EntityJson::memberWith(
    const MerchantState& state, std::string Member::*field, const std::string& value)
{
    if (value.empty())
        return nullptr;
    for (const Member& member : state.members) {
        if (member.*field == value)
            return &member;
    }
    return nullptr;
}

} // namespace merchant
