#include "refresh/RefreshAutoStateFooter.h"

#include "platform/kit/Label.h"
#include "platform/kit/Touch.h"

#include <cmath>

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

namespace {

// How far a finger may wander and still tap.
constexpr double tapSlop = 10;

bool isLabelTouch(const std::shared_ptr<kit::Label>& label, const kit::Touch& touch)
{
    return label && touch.view() == label;
}

} // namespace

void RefreshAutoStateFooter::touchesBegan(const kit::Touch& touch)
{
    auto label = m_titles.labelIfMade();
    if (!isLabelTouch(label, touch))
        return RefreshAutoFooter::touchesBegan(touch);
    m_tapStart = touch.locationInView(nullptr);
}

void RefreshAutoStateFooter::touchesMoved(const kit::Touch& touch)
{
    auto label = m_titles.labelIfMade();
    if (!isLabelTouch(label, touch))
        return RefreshAutoFooter::touchesMoved(touch);
    auto const at = touch.locationInView(nullptr);
    if (m_tapStart && std::hypot(at.x - m_tapStart->x, at.y - m_tapStart->y) > tapSlop)
        m_tapStart.reset();
}

void RefreshAutoStateFooter::touchesEnded(const kit::Touch& touch)
{
    auto label = m_titles.labelIfMade();
    if (!isLabelTouch(label, touch))
        return RefreshAutoFooter::touchesEnded(touch);
    touchesMoved(touch);
    bool const tapped = m_tapStart.has_value();
    m_tapStart.reset();
    if (tapped && label->pointInside(touch.locationInView(label.get())))
        stateLabelClick();
}

void RefreshAutoStateFooter::touchesCancelled(const kit::Touch& touch)
{
    m_tapStart.reset();
    RefreshAutoFooter::touchesCancelled(touch);
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
