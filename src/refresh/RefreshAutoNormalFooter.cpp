#include "refresh/RefreshAutoNormalFooter.h"

#include "refresh/FrameShorthand.h"

RefreshAutoNormalFooter::RefreshAutoNormalFooter(Token token)
    : RefreshAutoStateFooter(token)
{
}

std::shared_ptr<RefreshAutoNormalFooter> RefreshAutoNormalFooter::footerWithRefreshingBlock(
    RefreshingBlock block)
{
    return makeWithBlock<RefreshAutoNormalFooter>(std::move(block));
}

std::shared_ptr<kit::ActivityIndicatorView> RefreshAutoNormalFooter::loadingView()
{
    auto spinner = m_loadingView.lock();
    if (!spinner) {
        spinner = std::make_shared<kit::ActivityIndicatorView>(m_activityIndicatorViewStyle);
        spinner->setHidesWhenStopped(true);
        addSubview(spinner);
        m_loadingView = spinner;
    }
    return spinner;
}

void RefreshAutoNormalFooter::setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle style)
{
    m_activityIndicatorViewStyle = style;
    // The old spinner goes too: left in place it would spin beside the new one.
    if (auto old = m_loadingView.lock())
        old->removeFromSuperview();
    m_loadingView.reset();
    setNeedsLayout();
}

void RefreshAutoNormalFooter::prepare()
{
    RefreshAutoStateFooter::prepare();
    m_activityIndicatorViewStyle = kit::ActivityIndicatorViewStyle::Gray;
}

void RefreshAutoNormalFooter::placeSubviews()
{
    RefreshAutoStateFooter::placeSubviews();
    double centreX = rfW(*this) / 2 - (isRefreshingTitleHidden() ? 0 : 100);
    loadingView()->setCenter({ centreX, rfH(*this) / 2 });
}

void RefreshAutoNormalFooter::setState(RefreshState state)
{
    if (state == this->state())
        return;
    RefreshAutoStateFooter::setState(state);
    if (state == RefreshState::Refreshing)
        loadingView()->startAnimating();
    else if (state == RefreshState::Idle || state == RefreshState::NoMoreData)
        loadingView()->stopAnimating();
}
