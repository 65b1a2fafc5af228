#include "refresh/RefreshBackFooter.h"

#include "platform/kit/TableView.h"
#include "refresh/FrameShorthand.h"
#include "refresh/ScrollSettling.h"

#include <algorithm>

RefreshBackFooter::RefreshBackFooter(Token token)
    : RefreshFooter(token)
{
}

std::shared_ptr<RefreshBackFooter> RefreshBackFooter::footerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshBackFooter>(std::move(block));
}

double RefreshBackFooter::heightForContentBreakView() const
{
    auto scrollView = this->scrollView();
    if (!scrollView)
        return 0;
    graphics::EdgeInsets inset = scrollViewOriginalInset();
    double visible = rfH(*scrollView) - inset.bottom - inset.top;
    return rfContentH(*scrollView) - visible;
}

double RefreshBackFooter::happenOffsetY() const
{
    double deltaH = heightForContentBreakView();
    double top = scrollViewOriginalInset().top;
    return deltaH > 0 ? deltaH - top : -top;
}

int RefreshBackFooter::totalDataCountInScrollView() const
{
    auto table = std::dynamic_pointer_cast<kit::TableView>(scrollView());
    if (!table)
        return 0;
    int total = 0;
    int sections = table->numberOfSections();
    for (int section = 0; section < sections; ++section)
        total += table->numberOfRowsInSection(section);
    return total;
}

void RefreshBackFooter::scrollViewContentSizeDidChange(graphics::Size oldSize, graphics::Size newSize)
{
    RefreshFooter::scrollViewContentSizeDidChange(oldSize, newSize);
    auto scrollView = this->scrollView();
    if (!scrollView)
        return;
    graphics::EdgeInsets inset = scrollViewOriginalInset();
    double visibleBottom = rfH(*scrollView) - inset.top - inset.bottom;
    setRfY(*this, std::max(rfContentH(*scrollView), visibleBottom));
}

void RefreshBackFooter::scrollViewContentOffsetDidChange(graphics::Point oldOffset, graphics::Point newOffset)
{
    RefreshFooter::scrollViewContentOffsetDidChange(oldOffset, newOffset);
    if (state() == RefreshState::Refreshing)
        return;
    auto scrollView = this->scrollView();
    if (!scrollView)
        return;
    setScrollViewOriginalInset(scrollView->contentInset());
    double offsetY = rfOffsetY(*scrollView);
    double happen = happenOffsetY();
    double height = rfH(*this);
    if (offsetY <= happen || height <= 0)
        return;
    double percent = (offsetY - happen) / height;
    if (state() == RefreshState::NoMoreData) {
        setPullingPercent(percent);
        return;
    }
    if (scrollView->isDragging()) {
        setPullingPercent(percent);
        double threshold = happen + height;
        if (state() == RefreshState::Idle && offsetY > threshold)
            setState(RefreshState::Pulling);
        else if (state() == RefreshState::Pulling && offsetY <= threshold)
            setState(RefreshState::Idle);
    } else if (state() == RefreshState::Pulling) {
        beginRefreshing();
    } else if (percent < 1) {
        setPullingPercent(percent);
    }
}

void RefreshBackFooter::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    RefreshFooter::setState(state);
    auto scrollView = this->scrollView();
    if (state == RefreshState::Refreshing) {
        m_lastRefreshCount = totalDataCountInScrollView();
        auto weak = weakSelf<RefreshBackFooter>();
        kit::View::animate(
            RefreshFastAnimationDuration,
            [&] {
                if (!scrollView)
                    return;
                double bottom = rfH(*this) + scrollViewOriginalInset().bottom;
                double deltaH = heightForContentBreakView();
                // Content shorter than the view: the inset also covers the gap
                // between the content and the footer at the bottom edge.
                if (deltaH < 0)
                    bottom -= deltaH;
                m_lastBottomDelta = bottom - rfInsetB(*scrollView);
                setRfInsetB(*scrollView, bottom);
                setRfOffsetY(*scrollView, happenOffsetY() + rfH(*this));
            },
            [weak](bool) {
                if (auto self = weak.lock())
                    self->executeRefreshingCallback();
            });
    } else if ((state == RefreshState::Idle || state == RefreshState::NoMoreData)
        && old == RefreshState::Refreshing) {
        auto weak = weakSelf<RefreshBackFooter>();
        kit::View::animate(
            RefreshSlowAnimationDuration,
            [&] {
                if (scrollView) {
                    setRfInsetB(*scrollView, rfInsetB(*scrollView) - m_lastBottomDelta);
                    settleIntoRestingRange(*scrollView);
                }
                if (isAutoChangeAlpha())
                    setAlpha(0.0);
            },
            [weak](bool) {
                if (auto self = weak.lock())
                    self->setPullingPercent(0.0);
            });
        double deltaH = heightForContentBreakView();
        if (scrollView && deltaH > 0 && totalDataCountInScrollView() != m_lastRefreshCount)
            setRfOffsetY(*scrollView, rfOffsetY(*scrollView));
    }
}
