#pragma once

#include "platform/foundation/Subscription.h"
#include "platform/kit/PanGestureRecognizer.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/View.h"
#include "refresh/RefreshConstants.h"

#include <functional>
#include <memory>

// The shared part of the pull-to-refresh controls: a view that sits inside a
// scroll view, watches its offset, size and pan state while attached, and
// walks through the refresh states, calling the owner back on the main
// queue when it starts refreshing.
//
// Controls are made in two steps (construct, then prepare) because prepare
// is overridden all the way down and must see the finished object: always
// make them with create<T>() or the header and footer factories.
class RefreshComponent : public kit::View {
protected:
    // Only create<T>() can build one, so no control skips prepare().
    struct Token {
        explicit Token() = default;
    };

public:
    explicit RefreshComponent(Token);
    ~RefreshComponent() override;

    template<class T> static std::shared_ptr<T> create()
    {
        auto control = std::make_shared<T>(Token {});
        RefreshComponent& base = *control;
        base.prepare();
        base.setState(RefreshState::Idle);
        return control;
    }

    RefreshState state() const { return m_state; }
    // Subclasses react to transitions here; each override does nothing when
    // the state does not change and calls its superclass first.
    virtual void setState(RefreshState state);

    double pullingPercent() const { return m_pullingPercent; }
    virtual void setPullingPercent(double percent);
    bool isAutoChangeAlpha() const { return m_autoChangeAlpha; }
    void setAutoChangeAlpha(bool autoChangeAlpha);

    const RefreshingBlock& refreshingBlock() const { return m_refreshingBlock; }
    void setRefreshingBlock(RefreshingBlock block) { m_refreshingBlock = std::move(block); }
    // The target is held weakly; the action is not sent once it is gone.
    template<class T>
    void setRefreshingTarget(const std::shared_ptr<T>& target, void (T::*action)(RefreshComponent&))
    {
        std::weak_ptr<T> weakTarget = target;
        m_refreshingTarget = target;
        m_refreshingAction = [weakTarget, action](RefreshComponent& control) {
            if (auto strongTarget = weakTarget.lock())
                ((*strongTarget).*action)(control);
        };
    }
    std::shared_ptr<void> refreshingTarget() const { return m_refreshingTarget.lock(); }

    std::shared_ptr<kit::ScrollView> scrollView() const { return m_scrollView.lock(); }
    graphics::EdgeInsets scrollViewOriginalInset() const { return m_scrollViewOriginalInset; }
    const std::shared_ptr<kit::PanGestureRecognizer>& pan() const { return m_pan; }

    virtual void beginRefreshing();
    virtual void endRefreshing();
    bool isRefreshing() const;

    void willMoveToSuperview(kit::View* newSuperview) override;
    void layoutSubviews() override;
    void drawRect(graphics::DrawingContext& context, const graphics::Rect& rect) override;

protected:
    // Back to idle: on a collection view 0.1 s later on the main queue, so that a
    // reload it just began has laid out its items before the inset closes; on any
    // other scroll view at once.
    void endRefreshingAfterCollectionLayout();

    template<class T> static std::shared_ptr<T> makeWithBlock(RefreshingBlock block)
    {
        auto control = create<T>();
        control->setRefreshingBlock(std::move(block));
        return control;
    }
    template<class T, class Target>
    static std::shared_ptr<T> makeWithTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        auto control = create<T>();
        control->setRefreshingTarget(target, action);
        return control;
    }

    virtual void prepare();
    virtual void placeSubviews() { }

    // Only called while the control is shown and takes touches.
    virtual void scrollViewContentOffsetDidChange(graphics::Point oldOffset, graphics::Point newOffset);
    virtual void scrollViewContentSizeDidChange(graphics::Size oldSize, graphics::Size newSize);
    virtual void scrollViewPanStateDidChange(
        kit::GestureRecognizerState oldState, kit::GestureRecognizerState newState);

    // Always one run-loop turn or more after the caller: the owner's block
    // may reload the list or drop this control.
    void executeRefreshingCallback();

    // The list, unless the control is refreshing (its inset is then its
    // own), with the original inset read again: the other control of the
    // list may have changed it.
    std::shared_ptr<kit::ScrollView> scrollViewToFollow();
    // The drag rules headers and pull-up footers share once the control is
    // partly in view: `pastThreshold` says it is fully out.
    void followDrag(const kit::ScrollView& scrollView, double percent, bool pastThreshold);
    // Entering and leaving the refreshing state. `openInset` and
    // `closeInset` run only while the control is in a list; the owner is
    // called back once the inset has opened, and a closed inset puts the
    // list back in its resting range.
    void animateInsetOpen(const std::function<void(kit::ScrollView&)>& openInset);
    void animateInsetClosed(const std::function<void(kit::ScrollView&)>& closeInset);

    template<class T> std::weak_ptr<T> weakSelf() { return std::static_pointer_cast<T>(shared_from_this()); }

private:
    void addObservers(kit::ScrollView& scrollView);
    void removeObservers();
    bool reactsToScrolling() const;

    // Not a member of the enum: the value before the first setState, so that
    // the first one reaches every override as a change.
    RefreshState m_state = static_cast<RefreshState>(0);
    double m_pullingPercent = 0;
    bool m_autoChangeAlpha = false;
    RefreshingBlock m_refreshingBlock;
    std::weak_ptr<void> m_refreshingTarget;
    std::function<void(RefreshComponent&)> m_refreshingAction;
    std::weak_ptr<kit::ScrollView> m_scrollView;
    graphics::EdgeInsets m_scrollViewOriginalInset;
    std::shared_ptr<kit::PanGestureRecognizer> m_pan;
    foundation::Subscription m_offsetSubscription;
    foundation::Subscription m_sizeSubscription;
    foundation::Subscription m_panSubscription;
};
