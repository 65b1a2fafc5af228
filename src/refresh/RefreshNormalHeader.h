#pragma once

#include "refresh/RefreshIndicators.h"
#include "refresh/RefreshStateHeader.h"

// The header the lists use: an arrow that turns as the pull passes the
// point of no return, and a spinner while refreshing.
class RefreshNormalHeader : public RefreshStateHeader {
public:
    explicit RefreshNormalHeader(Token token);

    static std::shared_ptr<RefreshNormalHeader> headerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshNormalHeader> headerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshNormalHeader>(target, action);
    }

    std::shared_ptr<kit::ImageView> arrowView() { return m_indicators.arrowView(); }
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
    RefreshIndicators m_indicators { *this };
};
