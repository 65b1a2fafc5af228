#pragma once

#include "platform/kit/ViewController.h"

#include <memory>

namespace kit {
class ScrollView;
}

// The four pages shown on the first start. It counts as shown as soon as it
// loads, so a person who quits before the last page is not shown it again.
class GuideViewController : public kit::ViewController {
public:
    static constexpr int pageCount = 4;
    // The button on the last page; it has no title to find it by.
    static constexpr const char* goHomeButtonName = "btnGoHome";

    void loadView() override;
    void viewDidLoad() override;
    void initViews();
    void goHome();

    const std::shared_ptr<kit::ScrollView>& scrollView() const { return m_scrollView; }

private:
    std::shared_ptr<kit::ScrollView> m_scrollView;
};
