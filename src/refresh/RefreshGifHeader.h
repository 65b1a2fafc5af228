#pragma once

#include "refresh/RefreshGifMixin.h"
#include "refresh/RefreshStateHeader.h"

// A header that shows frame images instead of the arrow: the idle frames
// follow the pull, and the pulling and refreshing frames play.
class RefreshGifHeader : public RefreshGifMixin<RefreshStateHeader> {
public:
    explicit RefreshGifHeader(Token token);

    static std::shared_ptr<RefreshGifHeader> headerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshGifHeader> headerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshGifHeader>(target, action);
    }

    void setPullingPercent(double percent) override;
    void setState(RefreshState state) override;

protected:
    void placeSubviews() override;
};
