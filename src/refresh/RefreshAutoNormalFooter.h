#pragma once

#include "platform/kit/ActivityIndicatorView.h"
#include "refresh/RefreshAutoStateFooter.h"

// An automatic footer with a spinner beside its text while it loads.
class RefreshAutoNormalFooter : public RefreshAutoStateFooter {
public:
    explicit RefreshAutoNormalFooter(Token token);

    static std::shared_ptr<RefreshAutoNormalFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshAutoNormalFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshAutoNormalFooter>(target, action);
    }

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
    std::weak_ptr<kit::ActivityIndicatorView> m_loadingView;
    kit::ActivityIndicatorViewStyle m_activityIndicatorViewStyle = kit::ActivityIndicatorViewStyle::Gray;
};
