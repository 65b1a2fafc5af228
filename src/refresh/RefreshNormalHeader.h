#pragma once

#include "platform/kit/ActivityIndicatorView.h"
#include "platform/kit/ImageView.h"
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
