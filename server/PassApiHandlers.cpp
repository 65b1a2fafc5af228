#include "server/PassApiHandlers.h"

#include "server/EntityJson.h"
#include "server/MoneyText.h"

#include <algorithm>
#include <cstdio>

namespace merchant {

namespace {

std::string newCode(HandlerContext& context, const char* prefix)
{
    char text[32];
    std::snprintf(
        text, sizeof text, "%s%08lld", prefix, static_cast<long long>(context.nextSerial() % 100'000'000));
    return text;
}

Json walletPassLog(HandlerContext& context, const FormParams& params, const std::vector<WalletPass>& passes)
{
    auto status = params.find("status");
    std::vector<const WalletPass*> rows;
    for (const WalletPass& pass : passes) {
        if (!status || pass.status == *status)
            rows.push_back(&pass);
    }
    std::stable_sort(rows.begin(), rows.end(),
        [](const WalletPass* a, const WalletPass* b) { return a->gettime > b->gettime; });
    Json list = Json::array();
    for (const WalletPass* pass : Paging::read(params).slice(rows))
        list.push_back(EntityJson::walletPassRecord(*pass, context));
    return Envelope::page(std::move(list), rows.size());
}

// What tells an Alipay pass from a WeChat one: its code prefix and the
// wallet's own status words.
struct WalletWords {
    const char* codePrefix;
    const char* unused;
    const char* used;
};
constexpr WalletWords kAliWords { "7701", "ZERO", "USED" };
constexpr WalletWords kWxWords { "8801", "0", "1" };

Json issueWalletPass(HandlerContext& context, std::vector<WalletPass>& passes, const WalletWords& words,
    const Member& member, const std::string& title)
{
    passes.push_back({ std::to_string(passes.size() + 1), title, member.id,
        newCode(context, words.codePrefix), context.now, 0, words.unused });
    return Envelope::statusOnly("发放成功");
}

// Writes off an Alipay or WeChat pass: unused -> used, refused otherwise.
Json verifyWalletPass(HandlerContext& context, std::vector<WalletPass>& passes, const WalletWords& words,
    const std::string& code)
{
    for (WalletPass& pass : passes) {
        if (pass.verifyCode != code)
            continue;
        if (pass.status == words.used)
            return Envelope::failure("该券已使用");
        if (pass.status != words.unused)
            return Envelope::failure(pass.status == "CLOSED" ? "该券已过期" : "该券已转赠");
        pass.status = words.used;
        pass.usetime = context.now;
        return Envelope::statusOnly("核销成功");
    }
    return Envelope::failure("核销码无效");
}

} // namespace

Json PassApiHandlers::platPassList(HandlerContext& context, const FormParams&)
{
    Json list = Json::array();
    for (const PlatPassTemplate& model : context.state.platTemplates) {
        if (model.enddate != 0 && model.enddate < context.now)
            continue;
        Json object = Json::object();
        object["modelid"] = model.modelid;
        object["title"] = model.title;
        object["type"] = model.type;
        object["discountmoney"] = MoneyText::format(model.discountmoney);
        object["conditionprice"] = MoneyText::format(model.conditionprice);
        object["discountrate"] = model.discountrate;
        object["startdate"] = EntityJson::time(model.startdate);
        object["enddate"] = EntityJson::time(model.enddate);
        list.push_back(object);
    }
    return Envelope::success(list);
}

Json PassApiHandlers::sendPlatPass(HandlerContext& context, const FormParams& params)
{
    if (!EntityJson::memberById(context.state, params.value("memberid")))
        return Envelope::failure("会员不存在");
    const PlatPassTemplate* model = nullptr;
    for (const PlatPassTemplate& candidate : context.state.platTemplates) {
        if (candidate.modelid == params.value("modelid"))
            model = &candidate;
    }
    if (!model)
        return Envelope::failure("优惠券不存在");
    if (model->enddate != 0 && model->enddate < context.now)
        return Envelope::failure("优惠券已过期");
    PlatPass pass;
    pass.id = std::to_string(context.state.platPasses.size() + 1);
    pass.vcode = newCode(context, "6601");
    pass.modelid = model->modelid;
    pass.memberid = params.value("memberid");
    pass.gettime = context.now;
    pass.startdate = model->startdate;
    pass.enddate = model->enddate;
    pass.remarks = params.value("remarks");
    context.state.platPasses.push_back(pass);
    return Envelope::statusOnly("发放成功");
}

Json PassApiHandlers::getCouponSendLog(HandlerContext& context, const FormParams& params)
{
    if (params.value("passtype") != "platPass")
        return Envelope::failure("卡券类型错误");
    auto status = params.find("status");
    std::vector<const PlatPass*> rows;
    for (const PlatPass& pass : context.state.platPasses) {
        if (!status || EntityJson::platPassStatus(pass, context.now) == *status)
            rows.push_back(&pass);
    }
    bool byUse = params.value("field") == "usetime";
    bool ascending = params.value("sort") == "asc";
    std::stable_sort(rows.begin(), rows.end(), [&](const PlatPass* a, const PlatPass* b) {
        Seconds left = byUse ? a->usetime : a->gettime;
        Seconds right = byUse ? b->usetime : b->gettime;
        return ascending ? left < right : left > right;
    });
    Json list = Json::array();
    for (const PlatPass* pass : Paging::read(params).slice(rows))
        list.push_back(EntityJson::platPassRecord(*pass, context));
    return Envelope::page(std::move(list), rows.size());
}

Json PassApiHandlers::verifyCode(HandlerContext& context, const FormParams& params)
{
    std::string type = params.value("passtype");
    std::string code = params.value("vcode");
    if (code.empty())
        return Envelope::failure("核销码无效");
    if (type == "aliPass")
        return verifyWalletPass(context, context.state.aliPasses, kAliWords, code);
    if (type == "wxPass")
        return verifyWalletPass(context, context.state.wxPasses, kWxWords, code);
    if (type != "platPass")
        return Envelope::failure("卡券类型错误");
    for (PlatPass& pass : context.state.platPasses) {
        if (pass.vcode != code)
            continue;
        std::string status = EntityJson::platPassStatus(pass, context.now);
        if (status == "-1")
            return Envelope::failure("该券已使用");
        if (status != "1")
            return Envelope::failure("该券已过期");
        pass.status = "-1";
        pass.usetime = context.now;
        return Envelope::statusOnly("核销成功");
    }
    return Envelope::failure("核销码无效");
}

Json PassApiHandlers::alipassList(HandlerContext& context, const FormParams&)
{
    Json list = Json::array();
    for (const AliPassTemplate& model : context.state.aliTemplates) {
        Json object = Json::object();
        object["grant_title"] = model.grantTitle;
        object["market_price"] = model.marketPrice; // the app reads this one as a number
        object["tpl_id"] = model.tplId;
        list.push_back(object);
    }
    return Envelope::success(list);
}

Json PassApiHandlers::sendAlipass(HandlerContext& context, const FormParams& params)
{
    const Member* member = EntityJson::memberWith(context.state, &Member::openId, params.value("open_id"));
    if (!member)
        return Envelope::failure("会员未开通支付宝服务窗");
    for (const AliPassTemplate& model : context.state.aliTemplates) {
        if (model.tplId == params.value("tpl_id"))
            return issueWalletPass(context, context.state.aliPasses, kAliWords, *member, model.grantTitle);
    }
    return Envelope::failure("卡券不存在");
}

Json PassApiHandlers::aliPassLog(HandlerContext& context, const FormParams& params)
{
    return walletPassLog(context, params, context.state.aliPasses);
}

Json PassApiHandlers::wxpassList(HandlerContext& context, const FormParams&)
{
    Json list = Json::array();
    for (const WxPassTemplate& model : context.state.wxTemplates) {
        Json object = Json::object();
        object["card_title"] = model.cardTitle;
        object["card_id"] = model.cardId;
        list.push_back(object);
    }
    return Envelope::success(list);
}

Json PassApiHandlers::sendWxpass(HandlerContext& context, const FormParams& params)
{
    const Member* member = EntityJson::memberWith(context.state, &Member::wechaId, params.value("wecha_id"));
    if (!member)
        return Envelope::failure("会员未关注微信");
    for (const WxPassTemplate& model : context.state.wxTemplates) {
        if (model.cardId == params.value("card_id"))
            return issueWalletPass(context, context.state.wxPasses, kWxWords, *member, model.cardTitle);
    }
    return Envelope::failure("卡券不存在");
}

Json PassApiHandlers::wxPassLog(HandlerContext& context, const FormParams& params)
{
    return walletPassLog(context, params, context.state.wxPasses);
}

} // namespace merchant
