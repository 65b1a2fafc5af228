#include "refresh/RefreshBackNormalFooter.h"

#include "refresh/FrameShorthand.h"
#include "refresh/RefreshArrowImage.h"

#include <numbers>

namespace {

graphics::AffineTransform turnedArrow()
{
    return graphics::AffineTransform::makeRotation(0.000001 - std::numbers::pi);
}

} // namespace

RefreshBackNormalFooter::RefreshBackNormalFooter(Token token)
    : RefreshBackStateFooter(token)
{
}

std::shared_ptr<RefreshBackNormalFooter> RefreshBackNormalFooter::footerWithRefreshingBlock(
    RefreshingBlock block)
{
    return makeWithBlock<RefreshBackNormalFooter>(std::move(block));
}

std::shared_ptr<kit::ImageView> RefreshBackNormalFooter::arrowView()
{
    auto arrow = m_arrowView.lock();
    if (!arrow) {
        arrow = std::make_shared<kit::ImageView>(refreshArrowImage());
        addSubview(arrow);
        m_arrowView = arrow;
    }
    return arrow;
}

std::shared_ptr<kit::ActivityIndicatorView> RefreshBackNormalFooter::loadingView()
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

void RefreshBackNormalFooter::setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle style)
{
    m_activityIndicatorViewStyle = style;
    // The old spinner goes too: left in place it would spin beside the new one.
    if (auto old = m_loadingView.lock())
        old->removeFromSuperview();
    m_loadingView.reset();
    setNeedsLayout();
}

void RefreshBackNormalFooter::prepare()
{
    RefreshBackStateFooter::prepare();
    m_activityIndicatorViewStyle = kit::ActivityIndicatorViewStyle::Gray;
}

void RefreshBackNormalFooter::placeSubviews()
{
    RefreshBackStateFooter::placeSubviews();
    auto arrow = arrowView();
    graphics::AffineTransform turn = arrow->transform();
    arrow->setTransform(graphics::AffineTransform::identity());
    const auto& image = arrow->image();
    setRfSize(*arrow, image ? image->size() : graphics::Size {});
    double centreX = rfW(*this) / 2 - (stateLabel()->isHidden() ? 0 : 100);
    arrow->setCenter({ centreX, rfH(*this) / 2 });
    graphics::Rect arrowFrame = arrow->frame();
    arrow->setTransform(turn);
    loadingView()->setFrame(arrowFrame);
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
            arrow->setTransform(turnedArrow());
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
            kit::View::animate(RefreshFastAnimationDuration, [&] { arrow->setTransform(turnedArrow()); });
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
