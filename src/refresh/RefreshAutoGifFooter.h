#pragma once

#include "refresh/RefreshAutoStateFooter.h"
#include "refresh/RefreshGifMixin.h"

// An automatic footer that plays frame images while it loads.
class RefreshAutoGifFooter : public RefreshGifMixin<RefreshAutoStateFooter> {
public:
    explicit RefreshAutoGifFooter(Token token);

    static std::shared_ptr<RefreshAutoGifFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshAutoGifFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshAutoGifFooter>(target, action);
    }

    void setState(RefreshState state) override;

protected:
    void placeSubviews() override;
};
