#include "refresh/RefreshHeader.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/UserDefaults.h"
#include "refresh/FrameShorthand.h"

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
    auto scrollView = scrollViewToFollow();
    if (!scrollView)
        return;
    double offsetY = rfOffsetY(*scrollView);
    double happen = -scrollViewOriginalInset().top;
    if (offsetY >= happen)
        return;
    double height = rfH(*this);
    if (height <= 0)
        return;
    double percent = (happen - offsetY) / height;
    followDrag(*scrollView, percent, offsetY < happen - height);
}

void RefreshHeader::endRefreshing()
{
    endRefreshingAfterCollectionLayout();
}

void RefreshHeader::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    RefreshComponent::setState(state);
    if (state == RefreshState::Refreshing) {
        animateInsetOpen([this](kit::ScrollView& scrollView) {
            double top = scrollViewOriginalInset().top + rfH(*this);
            setRfInsetT(scrollView, top);
            setRfOffsetY(scrollView, -top);
        });
    } else if (state == RefreshState::Idle && old == RefreshState::Refreshing) {
        auto& defaults = foundation::UserDefaults::standard();
        defaults.setDate(foundation::Clock::current()->now(), m_lastUpdatedTimeKey);
        // A settings file that cannot be written costs only the time text.
        (void)defaults.synchronize();
        animateInsetClosed([this](kit::ScrollView& scrollView) {
            setRfInsetT(scrollView, rfInsetT(scrollView) - rfH(*this));
        });
    }
}
