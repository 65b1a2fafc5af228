#include "platform/kit/Label.h"

#include "platform/graphics/TextMeasurer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kit {

Label::Label()
{
    setUserInteractionEnabled(false);
}

Label::Label(const graphics::Rect& frame)
    : View(frame)
{
    setUserInteractionEnabled(false);
}

void Label::setText(std::string text)
{
    m_attributedText.reset();
    if (m_text == text)
        return;
    m_text = std::move(text);
    setNeedsDisplay();
}

void Label::setAttributedText(const AttributedString& text)
{
    m_attributedText = text;
    m_text = text.string();
    if (text.font())
        m_font = *text.font();
    setNeedsDisplay();
}

void Label::setFont(const graphics::Font& font)
{
    m_font = font;
    setNeedsDisplay();
}

void Label::setTextColor(const graphics::Color& color)
{
    m_textColor = color;
    setNeedsDisplay();
}

void Label::setTextAlignment(graphics::TextAlignment alignment)
{
    m_textAlignment = alignment;
    setNeedsDisplay();
}

void Label::setNumberOfLines(int lines)
{
    m_numberOfLines = lines < 0 ? 0 : lines;
    setNeedsDisplay();
}

void Label::setAdjustsFontSizeToFitWidth(bool adjusts)
{
    m_adjustsFontSizeToFitWidth = adjusts;
    setNeedsDisplay();
}

void Label::setMinimumScaleFactor(double factor)
{
    m_minimumScaleFactor = std::isfinite(factor) ? std::clamp(factor, 0.0, 1.0) : 0.0;
    setNeedsDisplay();
}

namespace {

// Whether the text shows whole in `bounds` in the font: on one line within
// the width, or wrapped at the width within the lines allowed and the height.
bool fits(const graphics::TextMeasurer& measurer, const std::string& text, const graphics::Font& font,
    int numberOfLines, const graphics::Size& bounds)
{
    // Measured sizes are fractions of a point; so is the slack.
    constexpr double slack = 0.01;
    if (numberOfLines == 1)
        return measurer.sizeOfText(text, font).width <= bounds.width + slack;
    constexpr double unlimited = std::numeric_limits<double>::max() / 4;
    double height = measurer.boundingSize(text, font, { bounds.width, unlimited }).height;
    double lines = numberOfLines > 1 ? numberOfLines * measurer.lineHeight(font) : unlimited;
    return height <= std::min(bounds.height, lines) + slack;
}

} // namespace

graphics::Font Label::fittedFont() const
{
    auto measurer = graphics::TextMeasurer::shared();
    if (!m_adjustsFontSizeToFitWidth || !measurer || m_text.empty())
        return m_font;
    graphics::Size room = bounds().size;
    if (fits(*measurer, m_text, m_font, m_numberOfLines, room))
        return m_font;
    // Half a point at a time, as far as the floor.
    constexpr double step = 0.5;
    constexpr double smallest = 1;
    double floor = std::max(smallest, m_font.pointSize() * m_minimumScaleFactor);
    double size = m_font.pointSize();
    graphics::Font font = m_font;
    while (size - step >= floor - 1e-9) {
        size -= step;
        font = graphics::Font(m_font.family(), size, m_font.isBold());
        if (fits(*measurer, m_text, font, m_numberOfLines, room))
            return font;
    }
    return graphics::Font(m_font.family(), floor, m_font.isBold());
}

bool Label::showsWholeText() const
{
    auto measurer = graphics::TextMeasurer::shared();
    return m_text.empty() || !measurer
        || fits(*measurer, m_text, fittedFont(), m_numberOfLines, bounds().size);
}

graphics::TextStyle Label::textStyle() const
{
    graphics::TextStyle style;
    style.font = fittedFont();
    style.color = m_textColor;
    style.alignment = m_textAlignment;
    style.numberOfLines = m_numberOfLines;
    if (m_attributedText)
        style.runs = m_attributedText->colorRuns();
    return style;
}

graphics::Size Label::sizeThatFits(const graphics::Size& size) const
{
    auto measurer = graphics::TextMeasurer::shared();
    if (!measurer || m_text.empty())
        return { 0, 0 };
    graphics::Size measured;
    if (m_numberOfLines == 1) {
        measured = measurer->sizeOfText(m_text, m_font);
    } else {
        constexpr double unlimited = std::numeric_limits<double>::max() / 4;
        double width = size.width > 0 ? size.width : unlimited;
        double height = unlimited;
        if (m_numberOfLines > 1)
            height = measurer->lineHeight(m_font) * m_numberOfLines;
        measured = measurer->boundingSize(m_text, m_font, { width, height });
    }
    return { std::ceil(measured.width), std::ceil(measured.height) };
}

} // namespace kit
