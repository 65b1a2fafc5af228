#include "refresh/RefreshAutoStateFooter.h"

#include "platform/kit/Touch.h"

RefreshAutoStateFooter::RefreshAutoStateFooter(Token token)
    : RefreshAutoFooter(token)
{
}

std::shared_ptr<RefreshAutoStateFooter> RefreshAutoStateFooter::footerWithRefreshingBlock(
    RefreshingBlock block)
{
    return makeWithBlock<RefreshAutoStateFooter>(std::move(block));
}

void RefreshAutoStateFooter::setTitle(const std::optional<std::string>& title, RefreshState state)
{
    m_titles.setTitle(title, state, this->state());
}

void RefreshAutoStateFooter::prepare()
{
    RefreshAutoFooter::prepare();
    setTitle("点击或上拉加载更多", RefreshState::Idle);
    setTitle("正在加载更多的数据...", RefreshState::Refreshing);
    setTitle("已经全部加载完毕", RefreshState::NoMoreData);
    // Labels take no touches of their own; this one is the footer's button.
    stateLabel()->setUserInteractionEnabled(true);
}

void RefreshAutoStateFooter::touchesEnded(const kit::Touch& touch)
{
    auto label = m_titles.labelIfMade();
    if (label && touch.view() == label) {
        stateLabelClick();
        return;
    }
    RefreshAutoFooter::touchesEnded(touch);
}

void RefreshAutoStateFooter::stateLabelClick()
{
    if (state() == RefreshState::Idle)
        beginRefreshing();
}

void RefreshAutoStateFooter::placeSubviews()
{
    RefreshAutoFooter::placeSubviews();
    stateLabel()->setFrame(bounds());
}

void RefreshAutoStateFooter::setState(RefreshState state)
{
    if (state == this->state())
        return;
    RefreshAutoFooter::setState(state);
    m_titles.show(state);
}
