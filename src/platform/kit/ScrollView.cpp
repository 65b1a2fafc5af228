#include "platform/kit/ScrollView.h"

#include <algorithm>
#include <cmath>

namespace kit {

ScrollView::ScrollView()
{
    setClipsToBounds(true);
}

ScrollView::ScrollView(const graphics::Rect& frame)
    : View(frame)
{
    setClipsToBounds(true);
}

void ScrollView::setContentOffset(const graphics::Point& offset)
{
    graphics::Point old = contentOffset();
    // A NaN offset from a caller's arithmetic would poison every later sum.
    graphics::Point sane { std::isfinite(offset.x) ? offset.x : old.x,
        std::isfinite(offset.y) ? offset.y : old.y };
    graphics::Rect b = bounds();
    View::setBounds({ sane, b.size });
    contentOffsetDidChange();
    m_offsetObservers.notify(old, sane);
}

void ScrollView::setContentOffset(const graphics::Point& offset, bool)
{
    setContentOffset(offset);
}

void ScrollView::setContentSize(const graphics::Size& size)
{
    graphics::Size old = m_contentSize;
    m_contentSize = size;
    setNeedsLayout();
    m_sizeObservers.notify(old, size);
}

void ScrollView::setContentInset(const graphics::EdgeInsets& inset)
{
    m_contentInset = inset;
}

void ScrollView::setBounds(const graphics::Rect& bounds)
{
    graphics::Point old = contentOffset();
    View::setBounds(bounds);
    if (bounds.origin != old) {
        contentOffsetDidChange();
        m_offsetObservers.notify(old, bounds.origin);
    }
}

foundation::Subscription ScrollView::observeContentOffset(
    std::function<void(graphics::Point, graphics::Point)> observer)
{
    return m_offsetObservers.add(std::move(observer));
}

foundation::Subscription ScrollView::observeContentSize(
    std::function<void(graphics::Size, graphics::Size)> observer)
{
    return m_sizeObservers.add(std::move(observer));
}

double ScrollView::minimumOffsetY() const
{
    return -m_contentInset.top;
}

double ScrollView::maximumOffsetY() const
{
    return std::max(minimumOffsetY(), m_contentSize.height + m_contentInset.bottom - bounds().height());
}

double ScrollView::minimumOffsetX() const
{
    return -m_contentInset.left;
}

double ScrollView::maximumOffsetX() const
{
    return std::max(minimumOffsetX(), m_contentSize.width + m_contentInset.right - bounds().width());
}

bool ScrollView::canScrollVertically() const
{
    return m_alwaysBounceVertical
        || m_contentSize.height + m_contentInset.top + m_contentInset.bottom > bounds().height();
}

bool ScrollView::beginDragging()
{
    if (!m_scrollEnabled || !m_pan->isEnabled() || m_dragging)
        return false;
    // Observers may detach refresh controls or drop the view.
    auto self = shared_from_this();
    m_dragging = true;
    m_pan->setTranslation({});
    m_pan->setState(GestureRecognizerState::Began);
    return true;
}

bool ScrollView::canScrollHorizontally() const
{
    return m_alwaysBounceHorizontal
        || m_contentSize.width + m_contentInset.left + m_contentInset.right > bounds().width();
}

void ScrollView::dragBy(double dx, double dy)
{
    if (!m_dragging || !std::isfinite(dx) || !std::isfinite(dy))
        return;
    auto self = shared_from_this();
    graphics::Point translation = m_pan->translation();
    m_pan->setTranslation({ translation.x + dx, translation.y + dy });
    m_pan->setState(GestureRecognizerState::Changed);
    bool vertical = canScrollVertically();
    bool horizontal = canScrollHorizontally();
    if (!vertical && !horizontal)
        return;
    graphics::Point offset = contentOffset();
    if (vertical)
        offset.y -= dy;
    if (horizontal)
        offset.x -= dx;
    if (!m_bounces) {
        offset.x = std::clamp(offset.x, minimumOffsetX(), maximumOffsetX());
        offset.y = std::clamp(offset.y, minimumOffsetY(), maximumOffsetY());
    }
    setContentOffset(offset);
}

graphics::Point ScrollView::restingOffset(graphics::Point offset) const
{
    if (m_pagingEnabled) {
        graphics::Size page = bounds().size;
        if (page.width > 0)
            offset.x = std::round(offset.x / page.width) * page.width;
        if (page.height > 0)
            offset.y = std::round(offset.y / page.height) * page.height;
    }
    return { std::clamp(offset.x, minimumOffsetX(), maximumOffsetX()),
        std::clamp(offset.y, minimumOffsetY(), maximumOffsetY()) };
}

void ScrollView::endDragging()
{
    if (!m_dragging)
        return;
    auto self = shared_from_this();
    m_dragging = false;
    m_pan->setState(GestureRecognizerState::Ended);
    // The release itself is reported as a scroll with dragging off; pull
    // controls decide on this report whether to start refreshing.
    setContentOffset(contentOffset());
    // Then the content settles, using whatever inset the release produced.
    graphics::Point offset = contentOffset();
    graphics::Point rest = restingOffset(offset);
    if (rest != offset)
        setContentOffset(rest);
    m_pan->setState(GestureRecognizerState::Possible);
}

} // namespace kit
