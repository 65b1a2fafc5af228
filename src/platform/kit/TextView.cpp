#include "platform/kit/TextView.h"

#include "platform/kit/Keyboard.h"
#include "platform/kit/Touch.h"

namespace kit {

void TextView::setText(std::string_view text)
{
    m_buffer.setText(text);
    setNeedsDisplay();
}

void TextView::setFont(const graphics::Font& font)
{
    m_font = font;
    setNeedsDisplay();
}

void TextView::setTextColor(const graphics::Color& color)
{
    m_textColor = color;
    setNeedsDisplay();
}

void TextView::setTextAlignment(graphics::TextAlignment alignment)
{
    m_textAlignment = alignment;
    setNeedsDisplay();
}

bool TextView::replace(TextRange range, std::string_view replacement)
{
    if (!m_editable)
        return false;
    // The delegate may resign, release or reconfigure this view.
    auto self = shared_from_this();
    if (auto delegate = m_delegate.lock()) {
        if (!delegate->textViewShouldChangeTextInRange(*this, range, std::string(replacement)))
            return false;
    }
    m_buffer.replace(range, replacement);
    setNeedsDisplay();
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidChange(*this);
    return true;
}

bool TextView::insertText(std::string_view text)
{
    if (text.empty())
        return false;
    return replace(m_buffer.insertionRange(), text);
}

bool TextView::deleteBackward()
{
    auto range = m_buffer.deletionRange();
    if (!range)
        return false;
    return replace(*range, "");
}

bool TextView::becomeFirstResponder()
{
    if (isFirstResponder())
        return true;
    if (!canBecomeFirstResponder())
        return false;
    auto self = shared_from_this();
    if (auto delegate = m_delegate.lock()) {
        if (!delegate->textViewShouldBeginEditing(*this))
            return false;
    }
    auto& keyboard = Keyboard::shared();
    keyboard.textInputWillTakeFocus();
    bool accepted = ScrollView::becomeFirstResponder();
    // Outside a window the request is only remembered; this method runs
    // again, for real, when the view reaches one.
    bool gotFocus = accepted && isFirstResponder();
    keyboard.textInputDidTakeFocus(gotFocus);
    if (!gotFocus)
        return accepted;
    m_editing = true;
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidBeginEditing(*this);
    return true;
}

bool TextView::resignFirstResponder()
{
    if (!isFirstResponder())
        return ScrollView::resignFirstResponder();
    auto self = shared_from_this();
    if (auto delegate = m_delegate.lock()) {
        if (!delegate->textViewShouldEndEditing(*this))
            return false;
    }
    if (!ScrollView::resignFirstResponder())
        return false;
    m_editing = false;
    Keyboard::shared().textInputDidResign();
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidEndEditing(*this);
    return true;
}

void TextView::touchesEnded(const Touch& touch)
{
    if (pointInside(touch.locationInView(this)))
        becomeFirstResponder();
    else
        ScrollView::touchesEnded(touch);
}

void TextView::didMoveToWindow()
{
    ScrollView::didMoveToWindow();
    // Leaving the window takes focus away even from an input whose delegate
    // would not let go; editing is over all the same.
    if (!m_editing || isFirstResponder())
        return;
    auto self = shared_from_this();
    m_editing = false;
    Keyboard::shared().textInputDidResign();
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidEndEditing(*this);
}

} // namespace kit
