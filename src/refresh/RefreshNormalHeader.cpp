#include "refresh/RefreshNormalHeader.h"

#include "refresh/FrameShorthand.h"
#include "refresh/RefreshArrowImage.h"

#include <numbers>

namespace {

// Not a half turn exactly: a rotation of exactly pi has no preferred
// direction on the phone, and the arrow must turn the same way every time.
graphics::AffineTransform turnedArrow()
{
    return graphics::AffineTransform::makeRotation(0.000001 - std::numbers::pi);
}

} // namespace

RefreshNormalHeader::RefreshNormalHeader(Token token)
    : RefreshStateHeader(token)
{
}

std::shared_ptr<RefreshNormalHeader> RefreshNormalHeader::headerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshNormalHeader>(std::move(block));
}

std::shared_ptr<kit::ImageView> RefreshNormalHeader::arrowView()
{
    auto arrow = m_arrowView.lock();
    if (!arrow) {
        arrow = std::make_shared<kit::ImageView>(refreshArrowImage());
        addSubview(arrow);
        m_arrowView = arrow;
    }
    return arrow;
}

std::shared_ptr<kit::ActivityIndicatorView> RefreshNormalHeader::loadingView()
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

void RefreshNormalHeader::setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle style)
{
    m_activityIndicatorViewStyle = style;
    // The old spinner goes too: left in place it would spin beside the new one.
    if (auto old = m_loadingView.lock())
        old->removeFromSuperview();
    m_loadingView.reset();
    setNeedsLayout();
}

void RefreshNormalHeader::prepare()
{
    RefreshStateHeader::prepare();
    m_activityIndicatorViewStyle = kit::ActivityIndicatorViewStyle::Gray;
}

void RefreshNormalHeader::placeSubviews()
{
    RefreshStateHeader::placeSubviews();
    auto arrow = arrowView();
    // The frame is taken from the untransformed size: a turned arrow keeps it.
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
        kit::View::animate(RefreshFastAnimationDuration, [&] { arrow->setTransform(turnedArrow()); });
    } else if (state == RefreshState::Refreshing) {
        spinner->setAlpha(1.0);
        spinner->startAnimating();
        arrow->setHidden(true);
    }
}
