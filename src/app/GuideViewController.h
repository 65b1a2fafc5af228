#pragma once

#include "platform/foundation/Subscription.h"
#include "platform/kit/ViewController.h"

#include <memory>
#include <vector>

namespace kit {
class ImageView;
class ScrollView;
}

// The four pages shown on the first start. It counts as shown as soon as it
// loads, so a person who quits before the last page is not shown it again.
//
// Each page is a full-screen picture, some three megabytes decoded: a page's
// picture is decoded only once some of the page is in view, and let go again
// once none of it is, so the first start decodes one picture rather than four.
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
    const std::vector<std::shared_ptr<kit::ImageView>>& pages() const { return m_pages; }

private:
    void showPicturesInView();

    std::shared_ptr<kit::ScrollView> m_scrollView;
    std::vector<std::shared_ptr<kit::ImageView>> m_pages;
    foundation::Subscription m_offsetObserver;
};
