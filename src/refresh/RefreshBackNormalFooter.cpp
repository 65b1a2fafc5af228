#include "refresh/RefreshBackNormalFooter.h"

#include "refresh/FrameShorthand.h"

RefreshBackNormalFooter::RefreshBackNormalFooter(Token token)
    : RefreshBackStateFooter(token)
{
}

std::shared_ptr<RefreshBackNormalFooter> RefreshBackNormalFooter::footerWithRefreshingBlock(
    RefreshingBlock block)
{
    return makeWithBlock<RefreshBackNormalFooter>(std::move(block));
}

void RefreshBackNormalFooter::prepare()
{
    RefreshBackStateFooter::prepare();
    m_indicators.setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle::Gray);
}

void RefreshBackNormalFooter::placeSubviews()
{
    RefreshBackStateFooter::placeSubviews();
    m_indicators.place(!stateLabel()->isHidden());
}

void RefreshBackNormalFooter::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    RefreshBackStateFooter::setState(state);
    auto arrow = arrowView();
    auto spinner = loadingView();
    switch (state) {
    case RefreshState::Idle:
        if (old == RefreshState::Refreshing) {
            arrow->setTransform(RefreshIndicators::turnedArrow());
            auto weak = weakSelf<RefreshBackNormalFooter>();
            kit::View::animate(
                RefreshSlowAnimationDuration, [&] { spinner->setAlpha(0.0); },
                [weak](bool) {
                    auto self = weak.lock();
                    // No arrow in "no more data", nor a stopped spinner in a
                    // refresh begun meanwhile.
                    if (!self || self->state() != RefreshState::Idle)
                        return;
                    auto spinner = self->loadingView();
                    spinner->setAlpha(1.0);
                    spinner->stopAnimating();
                    self->arrowView()->setHidden(false);
                });
        } else {
            arrow->setHidden(false);
            spinner->stopAnimating();
            kit::View::animate(
                RefreshFastAnimationDuration, [&] { arrow->setTransform(RefreshIndicators::turnedArrow()); });
        }
        break;
    case RefreshState::Pulling:
        arrow->setHidden(false);
        spinner->stopAnimating();
        kit::View::animate(RefreshFastAnimationDuration,
            [&] { arrow->setTransform(graphics::AffineTransform::identity()); });
        break;
    case RefreshState::Refreshing:
        arrow->setHidden(true);
        spinner->startAnimating();
        break;
    case RefreshState::NoMoreData:
        arrow->setHidden(true);
        spinner->stopAnimating();
        break;
    case RefreshState::WillRefresh:
        break;
    }
}
