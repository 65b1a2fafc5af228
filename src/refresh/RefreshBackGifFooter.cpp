#include "refresh/RefreshBackGifFooter.h"

RefreshBackGifFooter::RefreshBackGifFooter(Token token)
    : RefreshGifMixin(token)
{
}

std::shared_ptr<RefreshBackGifFooter> RefreshBackGifFooter::footerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshBackGifFooter>(std::move(block));
}

void RefreshBackGifFooter::setPullingPercent(double percent)
{
    RefreshBackStateFooter::setPullingPercent(percent);
    if (state() == RefreshState::Idle)
        m_frames.followPull(percent);
}

void RefreshBackGifFooter::placeSubviews()
{
    RefreshBackStateFooter::placeSubviews();
    m_frames.place(!stateLabel()->isHidden());
}

void RefreshBackGifFooter::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    RefreshBackStateFooter::setState(state);
    if (state == RefreshState::Pulling || state == RefreshState::Refreshing)
        m_frames.showPlaying(state);
    else if (state == RefreshState::Idle || state == RefreshState::NoMoreData)
        gifView()->setHidden(state == RefreshState::NoMoreData);
}
