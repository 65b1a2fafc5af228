#include "cards/ChooseCardVolumeViewController.h"

#include "api/Constants.h"
#include "api/URLConfig.h"
#include "cards/InputRemarkViewController.h"
#include "members/ChoosePreferentialCell.h"
#include "model/CouponGrantEntity.h"
#include "model/VipDetailEntity.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "ui/SingleChoiceList.h"

std::string_view ChooseCardVolumeViewController::candidatesPath() const
{
    return URLConfig::PLAT_PASS_LIST;
}

std::shared_ptr<kit::TableViewCell> ChooseCardVolumeViewController::makeCell() const
{
    return std::make_shared<ChoosePreferentialCell>();
}

void ChooseCardVolumeViewController::fillCell(
    kit::TableViewCell& cell, const foundation::Json& candidate) const
{
    auto* row = dynamic_cast<ChoosePreferentialCell*>(&cell);
    if (!row)
        return;
    auto pass = CouponGrantEntity::initWithJSON(candidate);
    bool moneyOff = pass->type() == COUPON_TYPE_MONEY_OFF;
    row->ivIcon()->setImage(
        graphics::Image::named(moneyOff ? "IconPreferentialCardRed" : "IconPreferentialCardGreen"));
    std::string title = pass->title().value_or("");
    row->labelCouponTitle()->setText(
        moneyOff ? title + "（抵" + pass->discountmoney().value_or("") + "元）" : title);
    row->labelDiscountSize()->setHidden(true);
}

void ChooseCardVolumeViewController::btnOkClick()
{
    const auto* chosen = currentEntity();
    if (!SingleChoiceList::confirm(chosen != nullptr, "请选择优惠券！"))
        return;
    auto navigation = navigationController();
    if (!navigation)
        return;
    auto remark = std::make_shared<InputRemarkViewController>();
    remark->setMemberid(vipEntity() ? vipEntity()->id().value_or("") : std::string());
    remark->setModelid(CouponGrantEntity::initWithJSON(*chosen)->modelid().value_or(""));
    navigation->pushViewController(remark, true);
}
