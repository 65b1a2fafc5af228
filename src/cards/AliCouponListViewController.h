#pragma once

#include "cards/WalletPassListViewController.h"

#include <string_view>

// The Alipay passes that can be sent, each with its market price.
class AliCouponListViewController : public WalletPassListViewController {
public:
    static constexpr std::string_view nibName = "AliCouponListViewController";

protected:
    std::string_view candidatesPath() const override;
    std::shared_ptr<kit::TableViewCell> makeCell() const override;
    void fillCell(kit::TableViewCell& cell, const foundation::Json& candidate) const override;
    Wallet wallet() const override;
};
