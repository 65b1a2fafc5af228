#pragma once

#include "platform/kit/TabBarController.h"

// The four tabs: collect, members, cards and settings. The storyboard "Main"
// builds it with its tab roots.
class HomeViewController : public kit::TabBarController {
public:
    void viewDidLoad() override;
    void initViews() { }
};
