#pragma once

#include "refresh/RefreshAutoStateFooter.h"
#include "refresh/RefreshIndicators.h"

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

    std::shared_ptr<kit::ActivityIndicatorView> loadingView() { return m_indicators.loadingView(); }
    kit::ActivityIndicatorViewStyle activityIndicatorViewStyle() const
    {
        return m_indicators.activityIndicatorViewStyle();
    }
    void setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle style)
    {
        m_indicators.setActivityIndicatorViewStyle(style);
    }

    void setState(RefreshState state) override;

protected:
    void prepare() override;
    void placeSubviews() override;

private:
    // Only its spinner: this footer has no arrow.
    RefreshIndicators m_indicators { *this };
};
