#include "refresh/RefreshNormalHeader.h"

#include "refresh/FrameShorthand.h"

RefreshNormalHeader::RefreshNormalHeader(Token token)
    : RefreshStateHeader(token)
{
}

std::shared_ptr<RefreshNormalHeader> RefreshNormalHeader::headerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshNormalHeader>(std::move(block));
}

void RefreshNormalHeader::prepare()
{
    RefreshStateHeader::prepare();
    m_indicators.setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle::Gray);
}

void RefreshNormalHeader::placeSubviews()
{
    RefreshStateHeader::placeSubviews();
    m_indicators.place(!stateLabel()->isHidden());
}

void RefreshNormalHeader::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    RefreshStateHeader::setState(state);
    auto arrow = arrowView();
    auto spinner = loadingView();
    if (state == RefreshState::Idle) {
        if (old == RefreshState::Refreshing) {
            arrow->setTransform(graphics::AffineTransform::identity());
            auto weak = weakSelf<RefreshNormalHeader>();
            kit::View::animate(
                RefreshSlowAnimationDuration, [&] { spinner->setAlpha(0.0); },
                [weak](bool) {
                    auto self = weak.lock();
                    // A refresh begun again meanwhile keeps its spinner.
                    if (!self || self->state() != RefreshState::Idle)
                        return;
                    auto spinner = self->loadingView();
                    spinner->setAlpha(1.0);
                    spinner->stopAnimating();
                    self->arrowView()->setHidden(false);
                });
        } else {
            spinner->stopAnimating();
            arrow->setHidden(false);
            kit::View::animate(RefreshFastAnimationDuration,
                [&] { arrow->setTransform(graphics::AffineTransform::identity()); });
        }
    } else if (state == RefreshState::Pulling) {
        spinner->stopAnimating();
        arrow->setHidden(false);
        kit::View::animate(
            RefreshFastAnimationDuration, [&] { arrow->setTransform(RefreshIndicators::turnedArrow()); });
    } else if (state == RefreshState::Refreshing) {
        spinner->setAlpha(1.0);
        spinner->startAnimating();
        arrow->setHidden(true);
    }
}
