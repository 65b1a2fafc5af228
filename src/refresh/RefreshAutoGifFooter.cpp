#include "refresh/RefreshAutoGifFooter.h"

RefreshAutoGifFooter::RefreshAutoGifFooter(Token token)
    : RefreshGifMixin(token)
{
}

std::shared_ptr<RefreshAutoGifFooter> RefreshAutoGifFooter::footerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshAutoGifFooter>(std::move(block));
}

void RefreshAutoGifFooter::placeSubviews()
{
    RefreshAutoStateFooter::placeSubviews();
    m_frames.place(!isRefreshingTitleHidden());
}

void RefreshAutoGifFooter::setState(RefreshState state)
{
    if (state == this->state())
        return;
    RefreshAutoStateFooter::setState(state);
    if (state == RefreshState::Refreshing) {
        m_frames.showPlaying(state);
    } else if (state == RefreshState::Idle || state == RefreshState::NoMoreData) {
        auto view = gifView();
        view->stopAnimating();
        view->setHidden(true);
    }
}
