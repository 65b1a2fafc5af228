#include "refresh/RefreshComponent.h"

#include "platform/foundation/DispatchQueue.h"
#include "platform/kit/CollectionView.h"
#include "refresh/FrameShorthand.h"
#include "refresh/ScrollSettling.h"

RefreshComponent::RefreshComponent(Token)
{
}

RefreshComponent::~RefreshComponent() = default;

void RefreshComponent::prepare()
{
    setAutoresizingMask(2);
    setBackgroundColor(graphics::Color::clear());
}

void RefreshComponent::layoutSubviews()
{
    kit::View::layoutSubviews();
    placeSubviews();
}

void RefreshComponent::setState(RefreshState state)
{
    m_state = state;
}

bool RefreshComponent::isRefreshing() const
{
    return m_state == RefreshState::Refreshing || m_state == RefreshState::WillRefresh;
}

void RefreshComponent::setPullingPercent(double percent)
{
    m_pullingPercent = percent;
    if (!isRefreshing() && m_autoChangeAlpha)
        setAlpha(percent);
}

void RefreshComponent::setAutoChangeAlpha(bool autoChangeAlpha)
{
    m_autoChangeAlpha = autoChangeAlpha;
    if (!isRefreshing())
        setAlpha(autoChangeAlpha ? m_pullingPercent : 1.0);
}

void RefreshComponent::beginRefreshing()
{
    kit::View::animate(RefreshFastAnimationDuration, [this] { setAlpha(1.0); });
    setPullingPercent(1.0);
    if (window()) {
        setState(RefreshState::Refreshing);
    } else {
        // Insets cannot be computed for a list that is not on screen yet;
        // the first drawing finishes the job.
        setState(RefreshState::WillRefresh);
        setNeedsDisplay();
    }
}

void RefreshComponent::endRefreshing()
{
    setState(RefreshState::Idle);
}

void RefreshComponent::endRefreshingAfterCollectionLayout()
{
    if (!std::dynamic_pointer_cast<kit::CollectionView>(scrollView())) {
        setState(RefreshState::Idle);
        return;
    }
    // Weak: a control released meanwhile has no list left to close.
    auto weak = weakSelf<RefreshComponent>();
    constexpr double collectionEndDelay = 0.1;
    foundation::DispatchQueue::main()->after(collectionEndDelay, [weak] {
        if (auto self = weak.lock())
            self->setState(RefreshState::Idle);
    });
}

void RefreshComponent::drawRect(graphics::DrawingContext& context, const graphics::Rect& rect)
{
    kit::View::drawRect(context, rect);
    if (m_state == RefreshState::WillRefresh)
        setState(RefreshState::Refreshing);
}

void RefreshComponent::willMoveToSuperview(kit::View* newSuperview)
{
    kit::View::willMoveToSuperview(newSuperview);
    // Leaving a scroll view for anything else must end the observation, or
    // the old list would keep driving a control that is no longer in it.
    removeObservers();
    auto* scrollView = dynamic_cast<kit::ScrollView*>(newSuperview);
    if (!scrollView)
        return;
    setRfW(*this, rfW(*scrollView));
    setRfX(*this, 0);
    m_scrollView = std::static_pointer_cast<kit::ScrollView>(scrollView->weak_from_this().lock());
    scrollView->setAlwaysBounceVertical(true);
    m_scrollViewOriginalInset = scrollView->contentInset();
    addObservers(*scrollView);
}

bool RefreshComponent::reactsToScrolling() const
{
    return isUserInteractionEnabled() && !isHidden();
}

void RefreshComponent::addObservers(kit::ScrollView& scrollView)
{
    auto weak = weakSelf<RefreshComponent>();
    m_offsetSubscription
        = scrollView.observeContentOffset([weak](graphics::Point oldOffset, graphics::Point newOffset) {
              if (auto self = weak.lock(); self && self->reactsToScrolling())
                  self->scrollViewContentOffsetDidChange(oldOffset, newOffset);
          });
    m_sizeSubscription
        = scrollView.observeContentSize([weak](graphics::Size oldSize, graphics::Size newSize) {
              if (auto self = weak.lock(); self && self->reactsToScrolling())
                  self->scrollViewContentSizeDidChange(oldSize, newSize);
          });
    m_pan = scrollView.panGestureRecognizer();
    if (m_pan) {
        m_panSubscription = m_pan->observeState(
            [weak](kit::GestureRecognizerState oldState, kit::GestureRecognizerState newState) {
                if (auto self = weak.lock(); self && self->reactsToScrolling())
                    self->scrollViewPanStateDidChange(oldState, newState);
            });
    }
}

void RefreshComponent::removeObservers()
{
    m_offsetSubscription.reset();
    m_sizeSubscription.reset();
    m_panSubscription.reset();
    m_pan.reset();
}

void RefreshComponent::scrollViewContentOffsetDidChange(graphics::Point, graphics::Point)
{
}

void RefreshComponent::scrollViewContentSizeDidChange(graphics::Size, graphics::Size)
{
}

void RefreshComponent::scrollViewPanStateDidChange(kit::GestureRecognizerState, kit::GestureRecognizerState)
{
}

void RefreshComponent::executeRefreshingCallback()
{
    // Weak: a control released meanwhile left with its list, so there is nothing left to refresh.
    auto weak = weakSelf<RefreshComponent>();
    foundation::DispatchQueue::main()->async([weak] {
        auto self = weak.lock();
        if (!self)
            return;
        // Copies: the owner may replace its callback from inside it.
        if (auto block = self->m_refreshingBlock)
            block(); // May drop the control from its list; `self` keeps it alive.
        if (auto action = self->m_refreshingAction; action && !self->m_refreshingTarget.expired())
            action(*self);
    });
}

std::shared_ptr<kit::ScrollView> RefreshComponent::scrollViewToFollow()
{
    if (m_state == RefreshState::Refreshing)
        return nullptr;
    auto scrollView = this->scrollView();
    if (scrollView)
        m_scrollViewOriginalInset = scrollView->contentInset();
    return scrollView;
}

void RefreshComponent::followDrag(const kit::ScrollView& scrollView, double percent, bool pastThreshold)
{
    if (scrollView.isDragging()) {
        setPullingPercent(percent);
        if (m_state == RefreshState::Idle && pastThreshold)
            setState(RefreshState::Pulling);
        else if (m_state == RefreshState::Pulling && !pastThreshold)
            setState(RefreshState::Idle);
    } else if (m_state == RefreshState::Pulling) {
        beginRefreshing();
    } else if (percent < 1) {
        setPullingPercent(percent);
    }
}

void RefreshComponent::animateInsetOpen(const std::function<void(kit::ScrollView&)>& openInset)
{
    auto scrollView = this->scrollView();
    // Weak: a control released meanwhile left with its list, so there is nothing left to refresh.
    auto weak = weakSelf<RefreshComponent>();
    kit::View::animate(
        RefreshFastAnimationDuration,
        [&] {
            if (scrollView)
                openInset(*scrollView);
        },
        [weak](bool) {
            if (auto self = weak.lock())
                self->executeRefreshingCallback();
        });
}

void RefreshComponent::animateInsetClosed(const std::function<void(kit::ScrollView&)>& closeInset)
{
    auto scrollView = this->scrollView();
    auto weak = weakSelf<RefreshComponent>();
    kit::View::animate(
        RefreshSlowAnimationDuration,
        [&] {
            if (scrollView) {
                closeInset(*scrollView);
                settleIntoRestingRange(*scrollView);
            }
            if (m_autoChangeAlpha)
                setAlpha(0.0);
        },
        [weak](bool) {
            if (auto self = weak.lock())
                self->setPullingPercent(0.0);
        });
}
