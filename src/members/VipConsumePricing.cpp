#include "members/VipConsumePricing.h"

#include "model/CouponDiscountPriceEntity.h"
#include "model/MemberDiscountPriceEntity.h"
#include "model/PreferentialWayEntity.h"
#include "model/VipDetailEntity.h"
#include "platform/foundation/Strings.h"

bool VipConsumePricing::isCardDiscount(const PreferentialWayEntity& way)
{
    return way.type() == cardDiscountType;
}

bool VipConsumePricing::isCashOff(const std::optional<std::string>& type)
{
    return type == cashOffType;
}

std::shared_ptr<MemberDiscountPriceEntity> VipConsumePricing::estimateForCard(
    const VipDetailEntity& member, const std::string& totalText)
{
    auto priced = std::make_shared<MemberDiscountPriceEntity>();
    priced->setCardname(member.cardname());
    priced->setCardid(member.cardid());
    priced->setDiscountrate(member.discountrate());
    priced->setMemberid(member.id());
    priced->setTotalprice(totalText);
    priced->setActualprice(
        foundation::doubleValue(totalText) * (foundation::doubleValue(member.discountrate()) / 10));
    return priced;
}

std::shared_ptr<CouponDiscountPriceEntity> VipConsumePricing::estimateForCoupon(
    const PreferentialWayEntity& way, const std::string& totalText)
{
    auto priced = std::make_shared<CouponDiscountPriceEntity>();
    priced->setTitle(way.title());
    priced->setDiscountrate(way.discountrate());
    priced->setDiscountmoney(way.discountmoney());
    priced->setType(way.type());
    priced->setConditionprice(way.conditionprice());
    priced->setTotalprice(totalText);
    priced->setActualprice(couponPrice(way.type(), foundation::doubleValue(totalText), way.conditionprice(),
        way.discountmoney(), way.discountrate()));
    return priced;
}

double VipConsumePricing::couponPrice(const std::optional<std::string>& type, double total,
    const std::optional<std::string>& conditionprice, const std::optional<std::string>& discountmoney,
    const std::optional<std::string>& discountrate)
{
    double condition = foundation::doubleValue(conditionprice);
    if (isCashOff(type)) {
        double off = foundation::doubleValue(discountmoney);
        return total >= condition && total >= off ? total - off : total;
    }
    return total >= condition ? total * (foundation::doubleValue(discountrate) / 10) : total;
}

double VipConsumePricing::payable(std::optional<double> actualprice, double total)
{
    return actualprice && *actualprice > 0 ? *actualprice : total;
}

double VipConsumePricing::proposedPart(
    double part, double payable, double cash, double balance, double mobile)
{
    return part > 0 ? part : payable - cash - balance - mobile;
}

double VipConsumePricing::remainder(std::optional<double> actualprice, Parts parts)
{
    if (!actualprice)
        return 0;
    return *actualprice - parts.cash - parts.balance - parts.mobile;
}

bool VipConsumePricing::canConfirm(double total, std::optional<double> actualprice, Parts parts)
{
    return PaySummary::settles(remainder(actualprice, parts), total);
}

PaySummary VipConsumePricing::summary(
    double total, std::optional<double> actualprice, bool cashOffCoupon, Parts parts)
{
    const char* discountWord = actualprice && cashOffCoupon ? "抵用" : "折后";
    double price = actualprice.value_or(0);
    PaySummary line("总计" + foundation::formatFixed(actualprice ? total : 0, 2) + "元," + discountWord
        + foundation::formatFixed(price, 2) + "元;");
    line.colourAfter("总计", actualprice ? total : 0);
    line.colourAfter(discountWord, price);
    line.appendPart("现金支付", parts.cash);
    line.appendPart("会员余额支付", parts.balance);
    line.appendPart("移动支付", parts.mobile);
    line.appendRemainder(remainder(actualprice, parts));
    return line;
}

std::string VipConsumePricing::wayLabel(const PreferentialWayEntity& way, const VipDetailEntity& member)
{
    if (isCardDiscount(way))
        return member.cardname().value_or("");
    if (isCashOff(way.type()))
        return foundation::describe(way.title()) + "（抵" + foundation::describe(way.discountmoney())
            + "元）";
    return way.title().value_or("");
}
