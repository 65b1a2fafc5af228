#pragma once

#include "refresh/RefreshAutoStateFooter.h"
#include "refresh/RefreshSpinnerMixin.h"

// An automatic footer with a spinner beside its text while it loads.
class RefreshAutoNormalFooter : public RefreshSpinnerMixin<RefreshAutoStateFooter> {
public:
    explicit RefreshAutoNormalFooter(Token token);

    static std::shared_ptr<RefreshAutoNormalFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshAutoNormalFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshAutoNormalFooter>(target, action);
    }

    void setState(RefreshState state) override;

protected:
    void placeSubviews() override;
};
