#pragma once

#include "refresh/RefreshBackStateFooter.h"
#include "refresh/RefreshGifMixin.h"

// A pull-up footer with frame images: the idle frames follow the pull, the
// pulling and refreshing frames play.
class RefreshBackGifFooter : public RefreshGifMixin<RefreshBackStateFooter> {
public:
    explicit RefreshBackGifFooter(Token token);

    static std::shared_ptr<RefreshBackGifFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshBackGifFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshBackGifFooter>(target, action);
    }

    void setPullingPercent(double percent) override;
    void setState(RefreshState state) override;

protected:
    void placeSubviews() override;
};
