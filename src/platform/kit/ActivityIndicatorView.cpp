#include "platform/kit/ActivityIndicatorView.h"

namespace kit {

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorViewStyle style)
    : View(graphics::Rect(0, 0, sideForStyle(style), sideForStyle(style)))
    , m_style(style)
{
    setUserInteractionEnabled(false);
    setHidden(true);
}

double ActivityIndicatorView::sideForStyle(ActivityIndicatorViewStyle style)
{
    return style == ActivityIndicatorViewStyle::WhiteLarge ? 37 : 20;
}

void ActivityIndicatorView::setActivityIndicatorViewStyle(ActivityIndicatorViewStyle style)
{
    m_style = style;
    double side = sideForStyle(style);
    setBounds({ bounds().origin, { side, side } });
    setNeedsLayout();
    setNeedsDisplay();
}

graphics::Color ActivityIndicatorView::color() const
{
    if (m_color)
        return *m_color;
    return m_style == ActivityIndicatorViewStyle::Gray ? graphics::Color::gray() : graphics::Color::white();
}

void ActivityIndicatorView::setColor(const std::optional<graphics::Color>& color)
{
    m_color = color;
    setNeedsDisplay();
}

void ActivityIndicatorView::startAnimating()
{
    m_animating = true;
    setHidden(false);
}

void ActivityIndicatorView::stopAnimating()
{
    m_animating = false;
    if (m_hidesWhenStopped)
        setHidden(true);
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides)
{
    m_hidesWhenStopped = hides;
    if (hides && !m_animating)
        setHidden(true);
}

graphics::Size ActivityIndicatorView::sizeThatFits(const graphics::Size&) const
{
    double side = sideForStyle(m_style);
    return { side, side };
}

} // namespace kit
