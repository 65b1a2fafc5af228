#include "cards/AliCouponListViewController.h"

#include "api/URLConfig.h"
#include "cards/AliCouponCell.h"
#include "model/VipDetailEntity.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/Label.h"

std::string_view AliCouponListViewController::candidatesPath() const
{
    return URLConfig::ALIPASS_LIST;
}

std::shared_ptr<kit::TableViewCell> AliCouponListViewController::makeCell() const
{
    return std::make_shared<AliCouponCell>();
}

void AliCouponListViewController::fillCell(kit::TableViewCell& cell, const foundation::Json& candidate) const
{
    auto* row = dynamic_cast<AliCouponCell*>(&cell);
    if (!row)
        return;
    double price = foundation::doubleValue(foundation::valueForKey(candidate, "market_price"));
    row->labelCouponTitle()->setText(foundation::optionalText(candidate, "grant_title").value_or("")
        + "（市值" + foundation::formatFixed(price, 2) + "）");
}

WalletPassListViewController::Wallet AliCouponListViewController::wallet() const
{
    return { vipEntity() ? vipEntity()->openId() : std::nullopt, "该会员未开启支付宝服务窗,无法发放卡卷！",
        URLConfig::SEND_ALIPASS, "tpl_id", "open_id" };
}
