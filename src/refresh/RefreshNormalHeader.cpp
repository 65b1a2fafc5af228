#include "refresh/RefreshNormalHeader.h"

#include "refresh/FrameShorthand.h"

RefreshNormalHeader::RefreshNormalHeader(Token token)
    : RefreshSpinnerMixin(token)
{
}

std::shared_ptr<RefreshNormalHeader> RefreshNormalHeader::headerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshNormalHeader>(std::move(block));
}

void RefreshNormalHeader::placeSubviews()
{
    RefreshStateHeader::placeSubviews();
    m_indicators.place(!stateLabel()->isHidden());
}

void RefreshNormalHeader::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    RefreshStateHeader::setState(state);
    m_indicators.showState(state, old);
}
