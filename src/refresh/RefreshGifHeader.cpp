#include "refresh/RefreshGifHeader.h"

RefreshGifHeader::RefreshGifHeader(Token token)
    : RefreshGifMixin(token)
{
}

std::shared_ptr<RefreshGifHeader> RefreshGifHeader::headerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshGifHeader>(std::move(block));
}

void RefreshGifHeader::setPullingPercent(double percent)
{
    RefreshStateHeader::setPullingPercent(percent);
    if (state() == RefreshState::Idle)
        m_frames.followPull(percent);
}

void RefreshGifHeader::placeSubviews()
{
    RefreshStateHeader::placeSubviews();
    m_frames.place(!stateLabel()->isHidden() || !lastUpdatedTimeLabel()->isHidden());
}

void RefreshGifHeader::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    RefreshStateHeader::setState(state);
    if (state == RefreshState::Pulling || state == RefreshState::Refreshing)
        m_frames.play(state);
}
