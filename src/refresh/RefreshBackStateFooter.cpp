#include "refresh/RefreshBackStateFooter.h"

RefreshBackStateFooter::RefreshBackStateFooter(Token token)
    : RefreshBackFooter(token)
{
}

std::shared_ptr<RefreshBackStateFooter> RefreshBackStateFooter::footerWithRefreshingBlock(
    RefreshingBlock block)
{
    return makeWithBlock<RefreshBackStateFooter>(std::move(block));
}

void RefreshBackStateFooter::setTitle(const std::optional<std::string>& title, RefreshState state)
{
    m_titles.setTitle(title, state, this->state());
}

void RefreshBackStateFooter::prepare()
{
    RefreshBackFooter::prepare();
    setTitle("上拉可以加载更多", RefreshState::Idle);
    setTitle("松开立即加载更多", RefreshState::Pulling);
    setTitle("正在加载更多的数据...", RefreshState::Refreshing);
    setTitle("已经全部加载完毕", RefreshState::NoMoreData);
}

void RefreshBackStateFooter::placeSubviews()
{
    RefreshBackFooter::placeSubviews();
    stateLabel()->setFrame(bounds());
}

void RefreshBackStateFooter::setState(RefreshState state)
{
    if (state == this->state())
        return;
    RefreshBackFooter::setState(state);
    m_titles.show(state);
}
