#pragma once

#include "cards/PassDetailViewController.h"

#include <string_view>

// An Alipay or WeChat pass record, its state read in its own wallet's words.
class AliWxCardDetailViewController : public PassDetailViewController {
public:
    static constexpr std::string_view nibName = "AliWxCardDetailViewController";

protected:
    void addRows() override;
};
