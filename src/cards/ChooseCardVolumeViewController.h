#pragma once

#include "cards/PassChooserViewController.h"

#include <string_view>

// The platform's own passes that can be sent; the chosen one goes on to
// the remark screen, which sends it.
class ChooseCardVolumeViewController : public PassChooserViewController {
public:
    static constexpr std::string_view nibName = "ChooseCardVolumeViewController";

    void btnOkClick() override;

protected:
    std::string_view candidatesPath() const override;
    std::shared_ptr<kit::TableViewCell> makeCell() const override;
    void fillCell(kit::TableViewCell& cell, const foundation::Json& candidate) const override;
};
