#pragma once

#include "refresh/RefreshBackStateFooter.h"
#include "refresh/RefreshSpinnerMixin.h"

// The footer the lists use: an arrow, turned round at rest and upright
// while pulling (the reverse of the header's), and a spinner.
class RefreshBackNormalFooter : public RefreshSpinnerMixin<RefreshBackStateFooter> {
public:
    explicit RefreshBackNormalFooter(Token token);

    static std::shared_ptr<RefreshBackNormalFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshBackNormalFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshBackNormalFooter>(target, action);
    }

    std::shared_ptr<kit::ImageView> arrowView() { return m_indicators.arrowView(); }
    void setState(RefreshState state) override;

protected:
    void placeSubviews() override;
};
