#include "platform/kit/TextView.h"

#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/Caret.h"
#include "platform/kit/Touch.h"

#include <algorithm>

namespace kit {

namespace {

// Between the view's edges and its text, across and down.
constexpr double insetX = 5;
constexpr double insetY = 8;
// Taller than any text typed: measuring keeps every line within it.
constexpr double unbounded = 1e6;

} // namespace

void TextView::setText(std::string_view text)
{
    TextInput::setText(text);
    followText();
}

graphics::Rect TextView::textRect() const
{
    double const width = std::max(0.0, bounds().width() - 2 * insetX);
    double const visible = std::max(0.0, bounds().height() - 2 * insetY);
    auto const measurer = graphics::TextMeasurer::shared();
    std::string const shown = text();
    // A line to spare, so that rounding never leaves the last line out.
    double const tall = shown.empty()
        ? 0
        : measurer->boundingSize(shown, font(), { width, unbounded }).height + measurer->lineHeight(font());
    return { insetX, insetY, width, std::max(visible, tall) };
}

graphics::Rect TextView::caretRect() const
{
    auto const measurer = graphics::TextMeasurer::shared();
    graphics::Rect const room = textRect();
    auto const at = measurer->caretPosition(text(), selectedRange().location, font(), room.width());
    double const x = std::clamp(room.minX() + at.x - Caret::width / 2, room.minX(),
        std::max(room.minX(), room.maxX() - Caret::width));
    return { x, room.minY() + at.y, Caret::width, measurer->lineHeight(font()) };
}

void TextView::followText()
{
    graphics::Rect const room = textRect();
    double const visible = bounds().height();
    // Only a text that runs past the view scrolls.
    double const tall = room.maxY() + insetY > visible ? room.maxY() + insetY : 0;
    setContentSize({ bounds().width(), tall });
    if (!isEditing() || tall == 0)
        return;
    graphics::Rect const caret = caretRect();
    double y = contentOffset().y;
    if (caret.maxY() + insetY > y + visible)
        y = caret.maxY() + insetY - visible;
    if (caret.minY() - insetY < y)
        y = std::max(0.0, caret.minY() - insetY);
    if (y != contentOffset().y)
        setContentOffset({ contentOffset().x, y });
}

bool TextView::shouldChangeText(TextRange range, const std::string& replacement)
{
    if (!m_editable)
        return false;
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textViewShouldChangeTextInRange(*this, range, replacement);
}

void TextView::textDidChange()
{
    followText();
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidChange(*this);
}

bool TextView::shouldBeginEditing()
{
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textViewShouldBeginEditing(*this);
}

void TextView::didBeginEditing()
{
    followText();
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidBeginEditing(*this);
}

bool TextView::shouldEndEditing()
{
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textViewShouldEndEditing(*this);
}

void TextView::didEndEditing(bool)
{
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidEndEditing(*this);
}

void TextView::touchesEnded(const Touch& touch)
{
    if (pointInside(touch.locationInView(this)))
        becomeFirstResponder();
    else
        ScrollView::touchesEnded(touch);
}

} // namespace kit
