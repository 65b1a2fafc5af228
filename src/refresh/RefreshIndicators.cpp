#include "refresh/RefreshIndicators.h"

#include "refresh/FrameShorthand.h"
#include "refresh/RefreshArrowImage.h"

#include <numbers>

graphics::AffineTransform RefreshIndicators::turnedArrow()
{
    return graphics::AffineTransform::makeRotation(0.000001 - std::numbers::pi);
}

std::shared_ptr<kit::ImageView> RefreshIndicators::arrowView()
{
    auto arrow = m_arrowView.lock();
    if (!arrow) {
        arrow = std::make_shared<kit::ImageView>(refreshArrowImage());
        m_control.addSubview(arrow);
        m_arrowView = arrow;
    }
    return arrow;
}

std::shared_ptr<kit::ActivityIndicatorView> RefreshIndicators::loadingView()
{
    auto spinner = m_loadingView.lock();
    if (!spinner) {
        spinner = std::make_shared<kit::ActivityIndicatorView>(m_style);
        spinner->setHidesWhenStopped(true);
        m_control.addSubview(spinner);
        m_loadingView = spinner;
    }
    return spinner;
}

void RefreshIndicators::setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle style)
{
    m_style = style;
    // The old spinner goes too: left in place it would spin beside the new one.
    if (auto old = m_loadingView.lock())
        old->removeFromSuperview();
    m_loadingView.reset();
    m_control.setNeedsLayout();
}

void RefreshIndicators::place(bool textShown)
{
    auto arrow = arrowView();
    // The frame is that of the upright arrow: a turned one keeps it.
    graphics::AffineTransform turn = arrow->transform();
    arrow->setTransform(graphics::AffineTransform::identity());
    const auto& image = arrow->image();
    setRfSize(*arrow, image ? image->size() : graphics::Size {});
    double centreX = rfW(m_control) / 2 - (textShown ? 100 : 0);
    arrow->setCenter({ centreX, rfH(m_control) / 2 });
    graphics::Rect arrowFrame = arrow->frame();
    arrow->setTransform(turn);
    loadingView()->setFrame(arrowFrame);
}

void RefreshIndicators::showArrow(const graphics::AffineTransform& turn)
{
    auto arrow = arrowView();
    loadingView()->stopAnimating();
    arrow->setHidden(false);
    kit::View::animate(RefreshFastAnimationDuration, [&] { arrow->setTransform(turn); });
}

void RefreshIndicators::showState(RefreshState state, RefreshState old)
{
    bool turnedAtRest = m_atRest == ArrowAtRest::Turned;
    graphics::AffineTransform resting = turnedAtRest ? turnedArrow() : graphics::AffineTransform::identity();
    graphics::AffineTransform pulling = turnedAtRest ? graphics::AffineTransform::identity() : turnedArrow();
    switch (state) {
    case RefreshState::Idle:
        if (old == RefreshState::Refreshing) {
            arrowView()->setTransform(resting);
            auto spinner = loadingView();
            auto weak = m_control.weak_from_this();
            kit::View::animate(
                RefreshSlowAnimationDuration, [&] { spinner->setAlpha(0.0); },
                [this, weak](bool) {
                    // No arrow in "no more data", nor a stopped spinner in a
                    // refresh begun meanwhile. A live control means this
                    // object, its member, is alive too.
                    if (auto control = weak.lock(); !control || m_control.state() != RefreshState::Idle)
                        return;
                    auto spinner = loadingView();
                    spinner->setAlpha(1.0);
                    spinner->stopAnimating();
                    arrowView()->setHidden(false);
                });
        } else {
            showArrow(resting);
        }
        break;
    case RefreshState::Pulling:
        showArrow(pulling);
        break;
    case RefreshState::Refreshing: {
        // A fade-out from the refresh before may not have finished.
        auto spinner = loadingView();
        spinner->setAlpha(1.0);
        spinner->startAnimating();
        arrowView()->setHidden(true);
        break;
    }
    case RefreshState::NoMoreData:
        arrowView()->setHidden(true);
        loadingView()->stopAnimating();
        break;
    case RefreshState::WillRefresh:
        break;
    }
}
