#include "refresh/RefreshBackFooter.h"

#include "platform/kit/CollectionView.h"
#include "platform/kit/TableView.h"
#include "refresh/FrameShorthand.h"

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
    int total = 0;
    if (auto table = std::dynamic_pointer_cast<kit::TableView>(scrollView())) {
        int sections = table->numberOfSections();
        for (int section = 0; section < sections; ++section)
            total += table->numberOfRowsInSection(section);
    } else if (auto collection = std::dynamic_pointer_cast<kit::CollectionView>(scrollView())) {
        int sections = collection->numberOfSections();
        for (int section = 0; section < sections; ++section)
            total += collection->numberOfItemsInSection(section);
    }
    return total;
}

void RefreshBackFooter::endRefreshing()
{
    endRefreshingAfterCollectionLayout();
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
    auto scrollView = scrollViewToFollow();
    if (!scrollView)
        return;
    double offsetY = rfOffsetY(*scrollView);
    double happen = happenOffsetY();
    double height = rfH(*this);
    if (offsetY <= happen || height <= 0)
        return;
    double percent = (offsetY - happen) / height;
    if (state() == RefreshState::NoMoreData)
        setPullingPercent(percent);
    else
        followDrag(*scrollView, percent, offsetY > happen + height);
}

void RefreshBackFooter::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    RefreshFooter::setState(state);
    if (state == RefreshState::Refreshing) {
        m_lastRefreshCount = totalDataCountInScrollView();
        animateInsetOpen([this](kit::ScrollView& scrollView) {
            double bottom = rfH(*this) + scrollViewOriginalInset().bottom;
            double deltaH = heightForContentBreakView();
            // Content shorter than the view: the inset also covers the gap
            // between the content and the footer at the bottom edge.
            if (deltaH < 0)
                bottom -= deltaH;
            m_lastBottomDelta = bottom - rfInsetB(scrollView);
            setRfInsetB(scrollView, bottom);
            setRfOffsetY(scrollView, happenOffsetY() + rfH(*this));
        });
    } else if ((state == RefreshState::Idle || state == RefreshState::NoMoreData)
        && old == RefreshState::Refreshing) {
        animateInsetClosed([this](kit::ScrollView& scrollView) {
            setRfInsetB(scrollView, rfInsetB(scrollView) - m_lastBottomDelta);
        });
        auto scrollView = this->scrollView();
        double deltaH = heightForContentBreakView();
        if (scrollView && deltaH > 0 && totalDataCountInScrollView() != m_lastRefreshCount)
            setRfOffsetY(*scrollView, rfOffsetY(*scrollView));
    }
}
