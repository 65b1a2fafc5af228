#pragma once

#include "cards/WalletPassListViewController.h"

#include <string_view>

// The WeChat passes that can be sent.
class WxCouponListViewController : public WalletPassListViewController {
public:
    static constexpr std::string_view nibName = "WxCouponListViewController";

protected:
    std::string_view candidatesPath() const override;
    std::shared_ptr<kit::TableViewCell> makeCell() const override;
    void fillCell(kit::TableViewCell& cell, const foundation::Json& candidate) const override;
    Wallet wallet() const override;
};
