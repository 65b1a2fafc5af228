#include "refresh/RefreshBackStateFooter.h"

#include "refresh/RefreshLabel.h"

RefreshBackStateFooter::RefreshBackStateFooter(Token token)
    : RefreshBackFooter(token)
{
}

std::shared_ptr<RefreshBackStateFooter> RefreshBackStateFooter::footerWithRefreshingBlock(
    RefreshingBlock block)
{
    return makeWithBlock<RefreshBackStateFooter>(std::move(block));
}

std::shared_ptr<kit::Label> RefreshBackStateFooter::stateLabel()
{
    auto label = m_stateLabel.lock();
    if (!label) {
        label = refreshLabel();
        addSubview(label);
        m_stateLabel = label;
    }
    return label;
}

void RefreshBackStateFooter::showTitle(RefreshState state)
{
    auto it = m_stateTitles.find(state);
    stateLabel()->setText(it == m_stateTitles.end() ? std::string() : it->second);
}

void RefreshBackStateFooter::setTitle(const std::optional<std::string>& title, RefreshState state)
{
    if (!title)
        return;
    m_stateTitles[state] = *title;
    showTitle(this->state());
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
    showTitle(state);
}
