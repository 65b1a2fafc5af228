#pragma once

#include "cards/PassDetailViewController.h"

#include <string_view>

// A platform pass record: the pass and its code, the member holding it, and
// when it was received, is valid and was used.
class CardVolumeDetailViewController : public PassDetailViewController {
public:
    static constexpr std::string_view nibName = "CardVolumeDetailViewController";

protected:
    void addRows() override;
};
