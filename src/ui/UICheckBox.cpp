#include "ui/UICheckBox.h"

#include "platform/graphics/DrawingContext.h"
#include "platform/graphics/Font.h"

UICheckBox::UICheckBox(std::string text, const graphics::Rect& frame)
    : View(frame)
    , m_imgOn(graphics::Image::named(checkedImageName))
    , m_imgOff(graphics::Image::named(uncheckedImageName))
    , m_text(std::move(text))
{
    setBackgroundColor(graphics::Color::clear());
}

void UICheckBox::setChecked(bool checked)
{
    m_checked = checked;
    setNeedsDisplay();
}

void UICheckBox::setImgOn(ImagePtr image)
{
    m_imgOn = std::move(image);
    setNeedsDisplay();
}

void UICheckBox::setImgOff(ImagePtr image)
{
    m_imgOff = std::move(image);
    setNeedsDisplay();
}

void UICheckBox::setText(std::string text)
{
    m_text = std::move(text);
    setNeedsDisplay();
}

void UICheckBox::drawRect(graphics::DrawingContext& context, const graphics::Rect&)
{
    // A missing artwork file leaves the caption alone rather than failing.
    if (const ImagePtr& image = m_checked ? m_imgOn : m_imgOff)
        context.drawImage(*image, { { 0, 8 }, image->size() });
    context.drawText(m_text, { 22, 7 }, graphics::Font::systemFont(16), graphics::Color::white());
}

void UICheckBox::touchesEnded(const kit::Touch&)
{
    setChecked(!m_checked);
    if (auto delegate = m_delegate.lock())
        delegate->onChangeIsChecked(*this, m_checked); // May delete this.
}
