#include "platform/kit/Label.h"

#include "platform/graphics/TextMeasurer.h"

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

graphics::TextStyle Label::textStyle() const
{
    graphics::TextStyle style;
    style.font = m_font;
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
