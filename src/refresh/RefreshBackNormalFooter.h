#pragma once

#include "platform/kit/ActivityIndicatorView.h"
#include "platform/kit/ImageView.h"
#include "refresh/RefreshBackStateFooter.h"

// The footer the lists use: an arrow, turned round at rest and upright
// while pulling (the reverse of the header's), and a spinner.
class RefreshBackNormalFooter : public RefreshBackStateFooter {
public:
    explicit RefreshBackNormalFooter(Token token);

    static std::shared_ptr<RefreshBackNormalFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshBackNormalFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshBackNormalFooter>(target, action);
    }

    std::shared_ptr<kit::ImageView> arrowView();
    std::shared_ptr<kit::ActivityIndicatorView> loadingView();
    kit::ActivityIndicatorViewStyle activityIndicatorViewStyle() const
    {
        return m_activityIndicatorViewStyle;
    }
    void setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle style);

    void setState(RefreshState state) override;

protected:
    void prepare() override;
    void placeSubviews() override;

private:
    std::weak_ptr<kit::ImageView> m_arrowView;
    std::weak_ptr<kit::ActivityIndicatorView> m_loadingView;
    kit::ActivityIndicatorViewStyle m_activityIndicatorViewStyle = kit::ActivityIndicatorViewStyle::Gray;
};
