#pragma once

#include "platform/foundation/ObserverList.h"
#include "platform/kit/PanGestureRecognizer.h"
#include "platform/kit/View.h"

#include <memory>

namespace kit {

// A view whose bounds origin is the content offset. Every set of the offset
// or the size is reported to the observers with the old and new value, even
// when nothing changed: the pull-to-refresh controls rely on a report of an
// unchanged offset to settle.
//
// Finger drags are simulated: beginDragging, dragBy (as often as wanted),
// endDragging, with the dragging flag and the pan state going through the
// values a real finger gives. The content follows the finger one to one
// (no rubber-band damping), and on release settles into its resting range,
// on the nearest page boundary when paging is on.
class ScrollView : public View {
public:
    ScrollView();
    explicit ScrollView(const graphics::Rect& frame);

    graphics::Point contentOffset() const { return bounds().origin; }
    void setContentOffset(const graphics::Point& offset);
    // Animated scrolling takes the final value at once, like every animation here.
    void setContentOffset(const graphics::Point& offset, bool animated);
    graphics::Size contentSize() const { return m_contentSize; }
    void setContentSize(const graphics::Size& size);
    graphics::EdgeInsets contentInset() const { return m_contentInset; }
    void setContentInset(const graphics::EdgeInsets& inset);

    bool bounces() const { return m_bounces; }
    void setBounces(bool bounces) { m_bounces = bounces; }
    bool alwaysBounceVertical() const { return m_alwaysBounceVertical; }
    void setAlwaysBounceVertical(bool bounce) { m_alwaysBounceVertical = bounce; }
    bool alwaysBounceHorizontal() const { return m_alwaysBounceHorizontal; }
    void setAlwaysBounceHorizontal(bool bounce) { m_alwaysBounceHorizontal = bounce; }
    bool isPagingEnabled() const { return m_pagingEnabled; }
    void setPagingEnabled(bool enabled) { m_pagingEnabled = enabled; }
    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; }
    bool showsHorizontalScrollIndicator() const { return m_showsHorizontalIndicator; }
    void setShowsHorizontalScrollIndicator(bool shows) { m_showsHorizontalIndicator = shows; }
    bool showsVerticalScrollIndicator() const { return m_showsVerticalIndicator; }
    void setShowsVerticalScrollIndicator(bool shows) { m_showsVerticalIndicator = shows; }

    bool isDragging() const { return m_dragging; }
    bool isTracking() const { return m_dragging; }
    bool isDecelerating() const { return false; }
    // Shared so an observer may keep it while it watches the state.
    const std::shared_ptr<PanGestureRecognizer>& panGestureRecognizer() const { return m_pan; }

    [[nodiscard]] foundation::Subscription observeContentOffset(
        std::function<void(graphics::Point oldOffset, graphics::Point newOffset)> observer);
    [[nodiscard]] foundation::Subscription observeContentSize(
        std::function<void(graphics::Size oldSize, graphics::Size newSize)> observer);

    // Drag simulation. A positive dy moves the finger down, which pulls the
    // content down and lowers the offset. Returns false when scrolling is off.
    bool beginDragging();
    void dragBy(double dy) { dragBy(0, dy); }
    void dragBy(double dx, double dy);
    void endDragging();

    // The offsets the content comes to rest between, given size and inset.
    double minimumOffsetY() const;
    double maximumOffsetY() const;
    double minimumOffsetX() const;
    double maximumOffsetX() const;

    void setBounds(const graphics::Rect& bounds) override;

protected:
    // Runs after the offset is stored and before observers hear of it, so
    // they already see the content that scrolled into view.
    virtual void contentOffsetDidChange() { }

private:
    bool canScrollVertically() const;
    bool canScrollHorizontally() const;
    graphics::Point restingOffset(graphics::Point offset) const;

    graphics::Size m_contentSize;
    graphics::EdgeInsets m_contentInset;
    bool m_bounces = true;
    bool m_alwaysBounceVertical = false;
    bool m_alwaysBounceHorizontal = false;
    bool m_pagingEnabled = false;
    bool m_scrollEnabled = true;
    bool m_showsHorizontalIndicator = true;
    bool m_showsVerticalIndicator = true;
    bool m_dragging = false;
    std::shared_ptr<PanGestureRecognizer> m_pan = std::make_shared<PanGestureRecognizer>();
    foundation::ObserverList<graphics::Point, graphics::Point> m_offsetObservers;
    foundation::ObserverList<graphics::Size, graphics::Size> m_sizeObservers;
};

} // namespace kit
