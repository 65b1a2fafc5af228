#include "refresh/RefreshBackNormalFooter.h"

#include "refresh/FrameShorthand.h"

RefreshBackNormalFooter::RefreshBackNormalFooter(Token token)
    : RefreshSpinnerMixin(token, RefreshIndicators::ArrowAtRest::Turned)
{
}

std::shared_ptr<RefreshBackNormalFooter> RefreshBackNormalFooter::footerWithRefreshingBlock(
    RefreshingBlock block)
{
    return makeWithBlock<RefreshBackNormalFooter>(std::move(block));
}

void RefreshBackNormalFooter::placeSubviews()
{
    RefreshBackStateFooter::placeSubviews();
    m_indicators.place(!stateLabel()->isHidden());
}

void RefreshBackNormalFooter::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    RefreshBackStateFooter::setState(state);
    m_indicators.showState(state, old);
}
