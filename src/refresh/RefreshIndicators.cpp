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
