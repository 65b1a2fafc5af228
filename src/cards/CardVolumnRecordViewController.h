#pragma once

#include "cards/PassLogViewController.h"

#include <string_view>

// The send records: every pass of one type given to members, whatever its
// state, newest first.
class CardVolumnRecordViewController : public PassLogViewController {
public:
    static constexpr std::string_view nibName = "CardVolumnRecordViewController";

    void viewDidLoad() override;
    void initViews() override;

protected:
    NetUtilSign::Parameters logParameters(bool firstPage) const override;
    bool mayChangeType() override { return checkIsLoginAndKeyExists(); }
    bool mayPull() override { return true; }
    bool mayOpenRecord() override { return true; }
};
