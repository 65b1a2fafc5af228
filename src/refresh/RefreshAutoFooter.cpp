#include "refresh/RefreshAutoFooter.h"

#include "platform/foundation/DispatchQueue.h"
#include "refresh/FrameShorthand.h"

RefreshAutoFooter::RefreshAutoFooter(Token token)
    : RefreshFooter(token)
{
}

std::shared_ptr<RefreshAutoFooter> RefreshAutoFooter::footerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshAutoFooter>(std::move(block));
}

void RefreshAutoFooter::prepare()
{
    RefreshFooter::prepare();
    m_appearencePercentTriggerAutoRefresh = 1.0;
    m_automaticallyRefresh = true;
}

void RefreshAutoFooter::willMoveToSuperview(kit::View* newSuperview)
{
    auto leaving = std::dynamic_pointer_cast<kit::ScrollView>(superview());
    RefreshFooter::willMoveToSuperview(newSuperview);
    // A hidden footer has already given its inset back (setHidden), so it
    // must not give it back twice, nor take one it will take when shown.
    if (isHidden())
        return;
    if (leaving && leaving.get() != newSuperview)
        setRfInsetB(*leaving, rfInsetB(*leaving) - rfH(*this));
    auto* entering = dynamic_cast<kit::ScrollView*>(newSuperview);
    if (entering && entering != leaving.get()) {
        setRfInsetB(*entering, rfInsetB(*entering) + rfH(*this));
        placeBelowContent();
    }
}

void RefreshAutoFooter::placeBelowContent()
{
    if (auto scrollView = this->scrollView())
        setRfY(*this, rfContentH(*scrollView));
}

void RefreshAutoFooter::scrollViewContentSizeDidChange(graphics::Size oldSize, graphics::Size newSize)
{
    RefreshFooter::scrollViewContentSizeDidChange(oldSize, newSize);
    placeBelowContent();
}

void RefreshAutoFooter::scrollViewContentOffsetDidChange(graphics::Point oldOffset, graphics::Point newOffset)
{
    RefreshFooter::scrollViewContentOffsetDidChange(oldOffset, newOffset);
    auto scrollView = this->scrollView();
    if (!scrollView || state() != RefreshState::Idle || !m_automaticallyRefresh || rfY(*this) == 0)
        return;
    double viewHeight = rfH(*scrollView);
    double contentHeight = rfContentH(*scrollView);
    if (rfInsetT(*scrollView) + contentHeight <= viewHeight)
        return;
    double height = rfH(*this);
    double trigger = contentHeight - viewHeight + height * m_appearencePercentTriggerAutoRefresh
        + rfInsetB(*scrollView) - height;
    // Only on the way down: scrolling back up across the line must not load.
    if (rfOffsetY(*scrollView) > trigger && newOffset.y > oldOffset.y)
        beginRefreshing();
}

void RefreshAutoFooter::scrollViewPanStateDidChange(
    kit::GestureRecognizerState oldState, kit::GestureRecognizerState newState)
{
    RefreshFooter::scrollViewPanStateDidChange(oldState, newState);
    auto scrollView = this->scrollView();
    if (!scrollView || state() != RefreshState::Idle || newState != kit::GestureRecognizerState::Ended)
        return;
    double top = rfInsetT(*scrollView);
    double viewHeight = rfH(*scrollView);
    double contentHeight = rfContentH(*scrollView);
    double offsetY = rfOffsetY(*scrollView);
    bool shortContent = top + contentHeight <= viewHeight;
    if ((shortContent && offsetY > -top)
        || (!shortContent && offsetY > contentHeight + rfInsetB(*scrollView) - viewHeight))
        beginRefreshing();
}

void RefreshAutoFooter::setState(RefreshState state)
{
    if (state == this->state())
        return;
    RefreshFooter::setState(state);
    if (state == RefreshState::Refreshing) {
        // Weak: a footer released meanwhile left with its list, so there is nothing left to load.
        auto weak = weakSelf<RefreshAutoFooter>();
        foundation::DispatchQueue::main()->after(callbackDelay, [weak] {
            if (auto self = weak.lock())
                self->executeRefreshingCallback();
        });
    }
}

void RefreshAutoFooter::setHidden(bool hidden)
{
    bool wasHidden = isHidden();
    RefreshFooter::setHidden(hidden);
    auto scrollView = std::dynamic_pointer_cast<kit::ScrollView>(superview());
    if (wasHidden == hidden || !scrollView)
        return;
    if (hidden) {
        setState(RefreshState::Idle);
        setRfInsetB(*scrollView, rfInsetB(*scrollView) - rfH(*this));
    } else {
        setRfInsetB(*scrollView, rfInsetB(*scrollView) + rfH(*this));
        placeBelowContent();
    }
}
