#include "refresh/RefreshAutoStateFooter.h"

#include "platform/kit/Touch.h"
#include "refresh/RefreshLabel.h"

RefreshAutoStateFooter::RefreshAutoStateFooter(Token token)
    : RefreshAutoFooter(token)
{
}

std::shared_ptr<RefreshAutoStateFooter> RefreshAutoStateFooter::footerWithRefreshingBlock(
    RefreshingBlock block)
{
    return makeWithBlock<RefreshAutoStateFooter>(std::move(block));
}

std::shared_ptr<kit::Label> RefreshAutoStateFooter::stateLabel()
{
    auto label = m_stateLabel.lock();
    if (!label) {
        label = refreshLabel();
        addSubview(label);
        m_stateLabel = label;
    }
    return label;
}

void RefreshAutoStateFooter::showTitle(RefreshState state)
{
    auto it = m_stateTitles.find(state);
    bool blank = it == m_stateTitles.end() || (state == RefreshState::Refreshing && m_refreshingTitleHidden);
    stateLabel()->setText(blank ? std::string() : it->second);
}

void RefreshAutoStateFooter::setTitle(const std::optional<std::string>& title, RefreshState state)
{
    if (!title)
        return;
    m_stateTitles[state] = *title;
    showTitle(this->state());
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
    auto label = m_stateLabel.lock();
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
    showTitle(state);
}
