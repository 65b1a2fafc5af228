#include "cards/WxCouponListViewController.h"

#include "api/URLConfig.h"
#include "cards/WxCouponCell.h"
#include "model/VipDetailEntity.h"
#include "platform/kit/Label.h"

std::string_view WxCouponListViewController::candidatesPath() const
{
    return URLConfig::WXPASS_LIST;
}

std::shared_ptr<kit::TableViewCell> WxCouponListViewController::makeCell() const
{
    return std::make_shared<WxCouponCell>();
}

void WxCouponListViewController::fillCell(kit::TableViewCell& cell, const foundation::Json& candidate) const
{
    if (auto* row = dynamic_cast<WxCouponCell*>(&cell))
        row->labelCouponTitle()->setText(foundation::optionalText(candidate, "card_title").value_or(""));
}

WalletPassListViewController::Wallet WxCouponListViewController::wallet() const
{
    return { vipEntity() ? vipEntity()->wechatId() : std::nullopt, "该会员未开启微信,无法发放卡卷！",
        URLConfig::SEND_WXPASS, "card_id", "wecha_id" };
}
