#include "platform/kit/TextInput.h"

#include "platform/kit/Caret.h"
#include "platform/kit/Keyboard.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"

namespace kit {

template<class Input, class Base> void TextInput<Input, Base>::setText(std::string_view text)
{
    m_buffer.setText(text);
    this->setNeedsDisplay();
}

template<class Input, class Base> void TextInput<Input, Base>::setSelectedRange(TextRange range)
{
    m_buffer.setSelectedRange(range);
    // The caret moved: it is painted where it now is, lit.
    this->setNeedsDisplay();
    if (m_editing)
        Caret::restartBlink();
}

template<class Input, class Base>
bool TextInput<Input, Base>::replace(TextRange range, std::string_view replacement)
{
    // The delegate may resign, release or reconfigure this input.
    auto self = this->shared_from_this();
    if (!input().shouldChangeText(range, std::string(replacement)))
        return false;
    m_buffer.replace(range, replacement);
    this->setNeedsDisplay();
    // Typing keeps the caret lit where it now stands.
    Caret::restartBlink();
    input().textDidChange();
    return true;
}

template<class Input, class Base> bool TextInput<Input, Base>::insertText(std::string_view text)
{
    if (text.empty())
        return false;
    return replace(m_buffer.insertionRange(), text);
}

template<class Input, class Base> bool TextInput<Input, Base>::deleteBackward()
{
    auto range = m_buffer.deletionRange();
    if (!range)
        return false;
    return replace(*range, "");
}

template<class Input, class Base> bool TextInput<Input, Base>::becomeFirstResponder()
{
    if (this->isFirstResponder())
        return true;
    if (!this->canBecomeFirstResponder())
        return false;
    // Outside a window the request is only remembered; this method runs
    // again when the view reaches one, and the delegate is asked then, once.
    if (!this->window())
        return Base::becomeFirstResponder();
    auto self = this->shared_from_this();
    if (!input().shouldBeginEditing())
        return false;
    auto& keyboard = Keyboard::shared();
    keyboard.textInputWillTakeFocus();
    bool accepted = Base::becomeFirstResponder();
    bool gotFocus = accepted && this->isFirstResponder();
    keyboard.textInputDidTakeFocus(gotFocus);
    if (!gotFocus)
        return accepted;
    m_editing = true;
    // The caret shows here, lit, and no longer where editing was before.
    this->setNeedsDisplay();
    Caret::restartBlink();
    // On the phone the delegate hears of editing before the keyboard comes
    // up, so screens may set themselves up for it first; a delegate that
    // ends editing right away leaves the keyboard down.
    input().didBeginEditing();
    if (m_editing && this->isFirstResponder())
        keyboard.textInputDidBeginEditing();
    return true;
}

template<class Input, class Base> bool TextInput<Input, Base>::resignFirstResponder()
{
    if (!this->isFirstResponder())
        return Base::resignFirstResponder();
    auto self = this->shared_from_this();
    if (!input().shouldEndEditing())
        return false;
    if (!Base::resignFirstResponder())
        return false;
    finishEditing(true);
    return true;
}

template<class Input, class Base> void TextInput<Input, Base>::didMoveToWindow()
{
    Base::didMoveToWindow();
    // Leaving the window takes focus away even from an input whose delegate
    // would not let go; editing is over all the same.
    if (!m_editing || this->isFirstResponder())
        return;
    auto self = this->shared_from_this();
    finishEditing(false);
}

template<class Input, class Base> void TextInput<Input, Base>::firstResponderTakenAway()
{
    Base::firstResponderTakenAway();
    if (!m_editing)
        return;
    auto self = this->shared_from_this();
    finishEditing(true);
}

template<class Input, class Base> void TextInput<Input, Base>::finishEditing(bool byResigning)
{
    m_editing = false;
    this->setNeedsDisplay();
    Keyboard::shared().textInputDidResign();
    input().didEndEditing(byResigning);
}

template class TextInput<TextField, Control>;
template class TextInput<TextView, ScrollView>;

} // namespace kit
