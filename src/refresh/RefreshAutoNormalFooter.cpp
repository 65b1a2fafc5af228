#include "refresh/RefreshAutoNormalFooter.h"

#include "refresh/FrameShorthand.h"

RefreshAutoNormalFooter::RefreshAutoNormalFooter(Token token)
    : RefreshSpinnerMixin(token)
{
}

std::shared_ptr<RefreshAutoNormalFooter> RefreshAutoNormalFooter::footerWithRefreshingBlock(
    RefreshingBlock block)
{
    return makeWithBlock<RefreshAutoNormalFooter>(std::move(block));
}

void RefreshAutoNormalFooter::placeSubviews()
{
    RefreshAutoStateFooter::placeSubviews();
    double centreX = rfW(*this) / 2 - (isRefreshingTitleHidden() ? 0 : 100);
    loadingView()->setCenter({ centreX, rfH(*this) / 2 });
}

void RefreshAutoNormalFooter::setState(RefreshState state)
{
    if (state == this->state())
        return;
    RefreshAutoStateFooter::setState(state);
    if (state == RefreshState::Refreshing)
        loadingView()->startAnimating();
    else if (state == RefreshState::Idle || state == RefreshState::NoMoreData)
        loadingView()->stopAnimating();
}
