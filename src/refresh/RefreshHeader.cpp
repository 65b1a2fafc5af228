#include "refresh/RefreshHeader.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/UserDefaults.h"
#include "refresh/FrameShorthand.h"
#include "refresh/ScrollSettling.h"

RefreshHeader::RefreshHeader(Token token)
    : RefreshComponent(token)
{
}

std::shared_ptr<RefreshHeader> RefreshHeader::headerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshHeader>(std::move(block));
}

void RefreshHeader::prepare()
{
    RefreshComponent::prepare();
    setLastUpdatedTimeKey(RefreshHeaderLastUpdatedTimeKey);
    setRfH(*this, RefreshHeaderHeight);
}

void RefreshHeader::placeSubviews()
{
    RefreshComponent::placeSubviews();
    // Just above the content, where pulling the list down reveals it.
    setRfY(*this, -rfH(*this));
}

void RefreshHeader::setLastUpdatedTimeKey(std::string key)
{
    m_lastUpdatedTimeKey = std::move(key);
}

std::optional<double> RefreshHeader::lastUpdatedTime() const
{
    return foundation::UserDefaults::standard().dateForKey(m_lastUpdatedTimeKey);
}

void RefreshHeader::scrollViewContentOffsetDidChange(graphics::Point oldOffset, graphics::Point newOffset)
{
    RefreshComponent::scrollViewContentOffsetDidChange(oldOffset, newOffset);
    if (state() == RefreshState::Refreshing)
        return;
    auto scrollView = this->scrollView();
    if (!scrollView)
        return;
    setScrollViewOriginalInset(scrollView->contentInset());
    double offsetY = rfOffsetY(*scrollView);
    double happen = -scrollViewOriginalInset().top;
    if (offsetY >= happen)
        return;
    double height = rfH(*this);
    if (height <= 0)
        return;
    double percent = (happen - offsetY) / height;
    double threshold = happen - height;
    if (scrollView->isDragging()) {
        setPullingPercent(percent);
        if (state() == RefreshState::Idle && offsetY < threshold)
            setState(RefreshState::Pulling);
        else if (state() == RefreshState::Pulling && offsetY >= threshold)
            setState(RefreshState::Idle);
    } else if (state() == RefreshState::Pulling) {
        beginRefreshing();
    } else if (percent < 1) {
        setPullingPercent(percent);
    }
}

void RefreshHeader::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    RefreshComponent::setState(state);
    auto scrollView = this->scrollView();
    if (state == RefreshState::Refreshing) {
        auto weak = weakSelf<RefreshHeader>();
        kit::View::animate(
            RefreshFastAnimationDuration,
            [&] {
                if (!scrollView)
                    return;
                double top = scrollViewOriginalInset().top + rfH(*this);
                setRfInsetT(*scrollView, top);
                setRfOffsetY(*scrollView, -top);
            },
            [weak](bool) {
                if (auto self = weak.lock())
                    self->executeRefreshingCallback();
            });
    } else if (state == RefreshState::Idle && old == RefreshState::Refreshing) {
        auto& defaults = foundation::UserDefaults::standard();
        defaults.setDate(foundation::Clock::current()->now(), m_lastUpdatedTimeKey);
        // A settings file that cannot be written costs only the time text.
        (void)defaults.synchronize();
        auto weak = weakSelf<RefreshHeader>();
        kit::View::animate(
            RefreshSlowAnimationDuration,
            [&] {
                if (scrollView) {
                    setRfInsetT(*scrollView, rfInsetT(*scrollView) - rfH(*this));
                    settleIntoRestingRange(*scrollView);
                }
                if (isAutoChangeAlpha())
                    setAlpha(0.0);
            },
            [weak](bool) {
                if (auto self = weak.lock())
                    self->setPullingPercent(0.0);
            });
    }
}
