#include "platform/kit/TextView.h"

#include "platform/kit/Touch.h"

namespace kit {

bool TextView::shouldChangeText(TextRange range, const std::string& replacement)
{
    if (!m_editable)
        return false;
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textViewShouldChangeTextInRange(*this, range, replacement);
}

void TextView::textDidChange()
{
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
