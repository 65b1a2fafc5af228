#pragma once

#include "platform/foundation/ObserverList.h"
#include "platform/kit/PanGestureRecognizer.h"
#include "platform/kit/View.h"

#include <deque>
#include <memory>
#include <optional>

namespace foundation {
class Timer;
}

namespace kit {

// A view whose bounds origin is the content offset. Every set of the offset
// or the size is reported to the observers with the old and new value, even
// when nothing changed: the pull-to-refresh controls rely on a report of an
// unchanged offset to settle. When the content shrinks or the view grows so
// that the offset lies past the largest one (within the inset), the offset
// moves back to it, reported after the size; not under a finger or during a
// glide, which comes to rest inside the content by itself.
//
// A drag is beginDragging, dragBy (as often as the finger moves), then
// endDragging; the window calls these for a touch that moved past the slop
// (Window.h), and scripts and tests call them directly. The dragging flag
// and the pan state go through the values a real finger gives, and the
// content follows the finger one to one (no rubber-band damping). On release
// the speed of the last tenth of a second decides what follows, on the main
// loop's clock: a paging view glides onto the nearest page (the speed picks
// between the two pages around the release point), others coast to a stop
// and spring back inside their content when they went beyond it.
class ScrollView : public View {
public:
    // How far a touch must move before it becomes a drag, in points.
    static constexpr double touchSlop = 10;
    // Points a wheel notch scrolls.
    static constexpr double wheelStep = 40;

    ScrollView();
    explicit ScrollView(const graphics::Rect& frame);
    ~ScrollView() override;

    graphics::Point contentOffset() const { return bounds().origin; }
    // Either form stops a glide in progress: the caller now decides where
    // the content is. Animated scrolling takes the final value at once, like
    // every animation here.
    void setContentOffset(const graphics::Point& offset);
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
    // True while the content moves by itself after a release: coasting,
    // springing back or gliding onto a page.
    bool isDecelerating() const { return m_settleTimer != nullptr; }
    // Shared so an observer may keep it while it watches the state.
    const std::shared_ptr<PanGestureRecognizer>& panGestureRecognizer() const { return m_pan; }

    [[nodiscard]] foundation::Subscription observeContentOffset(
        std::function<void(graphics::Point oldOffset, graphics::Point newOffset)> observer);
    [[nodiscard]] foundation::Subscription observeContentSize(
        std::function<void(graphics::Size oldSize, graphics::Size newSize)> observer);

    // A positive dy moves the finger down, which pulls the content down and
    // lowers the offset. beginDragging returns false when scrolling is off.
    // Movements are stamped with the main loop's time unless given one
    // (seconds on that clock), and the release likewise.
    bool beginDragging();
    void dragBy(double dy) { dragBy(0, dy); }
    void dragBy(double dx, double dy);
    void dragBy(double dx, double dy, double timestamp);
    void endDragging();
    void endDragging(double timestamp);
    // The content's speed a release now would give, in points a second
    // (the offset's rate of change, so opposite to the finger's).
    graphics::Point releaseVelocity(double timestamp) const;

    // A finger landing on moving content stops it where it is; true when it
    // was moving. settle() then puts it back where it may rest (on its page,
    // inside its content) when the finger lifts without dragging.
    bool stopMoving();
    void settle();

    // Scrolls by whole wheel movements (in points, positive moves the
    // content up or left): within the content, or a page a turn when paging.
    bool scrollWheel(const graphics::Point& point, double dx, double dy) override;

    // The offsets the content comes to rest between, given size and inset.
    double minimumOffsetY() const;
    double maximumOffsetY() const;
    double minimumOffsetX() const;
    double maximumOffsetX() const;
    // Whether a drag along the axis moves the content.
    bool canScrollVertically() const;
    bool canScrollHorizontally() const;

    void setFrame(const graphics::Rect& frame) override;
    void setBounds(const graphics::Rect& bounds) override;

protected:
    // Runs after the offset is stored and before observers hear of it, so
    // they already see the content that scrolled into view.
    virtual void contentOffsetDidChange() { }

private:
    struct Sample {
        double time;
        graphics::Point translation;
    };

    // Stores and reports an offset without touching a glide.
    void moveContent(graphics::Point offset);
    // After the content shrank or the view grew: an offset past the largest
    // one comes back to it, as the phone's does, so what is left of the
    // content shows instead of the blank beyond it.
    void keepOffsetWithinContent();
    graphics::Point restingOffset(graphics::Point offset) const;
    graphics::Point pageFor(graphics::Point offset, graphics::Point velocity) const;
    void startSettling(graphics::Point velocity, std::optional<graphics::Point> target);
    void stopSettling();
    void settleStep();

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

    // The finger's path in the last moments of a drag, for its speed.
    std::deque<Sample> m_samples;
    // The glide after a release: speed, the page it heads for, and the time
    // of its last step.
    std::shared_ptr<foundation::Timer> m_settleTimer;
    graphics::Point m_velocity;
    std::optional<graphics::Point> m_target;
    double m_lastStep = 0;
};

} // namespace kit
