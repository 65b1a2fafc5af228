#pragma once

#include "ui/BaseViewController.h"

#include <string>

// Temporary: stands in as a tab root whose screen is not built yet, so the
// home tabs always have four tabs with the right titles. Goes away once each
// tab's module registers its own screen.
class PlaceholderViewController : public BaseViewController {
public:
    explicit PlaceholderViewController(std::string title);

    void viewDidLoad() override;
    void initViews() override;
};
