#pragma once

#include "refresh/RefreshSpinnerMixin.h"
#include "refresh/RefreshStateHeader.h"

// The header the lists use: an arrow that turns as the pull passes the
// point of no return, and a spinner while refreshing.
class RefreshNormalHeader : public RefreshSpinnerMixin<RefreshStateHeader> {
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
    void setState(RefreshState state) override;

protected:
    void placeSubviews() override;
};
