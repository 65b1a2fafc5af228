#include "platform/kit/TextField.h"

#include "platform/foundation/Strings.h"
#include "platform/kit/Touch.h"

namespace kit {

namespace {

// Room the rounded-rect border leaves on each side, and the left view's gap.
constexpr double borderInset = 7;

} // namespace

void TextField::setPlaceholder(std::string placeholder)
{
    m_placeholder = std::move(placeholder);
    setNeedsDisplay();
}

void TextField::setBorderStyle(TextBorderStyle style)
{
    m_borderStyle = style;
    setNeedsLayout();
    setNeedsDisplay();
}

void TextField::setSecureTextEntry(bool secure)
{
    m_secureTextEntry = secure;
    setNeedsDisplay();
}

void TextField::setLeftView(std::shared_ptr<View> view)
{
    if (m_leftView == view)
        return;
    if (m_leftView)
        m_leftView->removeFromSuperview();
    m_leftView = std::move(view);
    if (m_leftView)
        addSubview(m_leftView);
    setNeedsLayout();
}

void TextField::setLeftViewMode(TextFieldViewMode mode)
{
    m_leftViewMode = mode;
    setNeedsLayout();
}

std::string TextField::displayText() const
{
    if (m_buffer.isEmpty())
        return m_placeholder;
    if (!m_secureTextEntry)
        return m_buffer.text();
    std::string bullets;
    for (std::size_t i = 0; i < m_buffer.length(); ++i)
        bullets += "\xE2\x80\xA2";
    return bullets;
}

bool TextField::shouldChangeText(TextRange range, const std::string& replacement)
{
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textFieldShouldChangeCharactersInRange(*this, range, replacement);
}

void TextField::textDidChange()
{
    sendActionsForControlEvents(ControlEvent::EditingChanged);
}

bool TextField::clearText()
{
    if (m_buffer.isEmpty())
        return false;
    auto self = shared_from_this();
    if (auto delegate = m_delegate.lock()) {
        if (!delegate->textFieldShouldClear(*this))
            return false;
    }
    m_buffer.setText("");
    setNeedsDisplay();
    sendActionsForControlEvents(ControlEvent::EditingChanged);
    return true;
}

bool TextField::returnKey()
{
    auto self = shared_from_this();
    bool answer = true;
    if (auto delegate = m_delegate.lock())
        answer = delegate->textFieldShouldReturn(*this);
    if (answer)
        sendActionsForControlEvents(ControlEvent::EditingDidEndOnExit);
    return answer;
}

bool TextField::shouldBeginEditing()
{
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textFieldShouldBeginEditing(*this);
}

void TextField::didBeginEditing()
{
    if (m_clearsOnBeginEditing && !m_buffer.isEmpty()) {
        m_buffer.setText("");
        setNeedsDisplay();
    }
    if (auto delegate = m_delegate.lock())
        delegate->textFieldDidBeginEditing(*this);
    sendActionsForControlEvents(ControlEvent::EditingDidBegin);
    setNeedsLayout();
}

bool TextField::shouldEndEditing()
{
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textFieldShouldEndEditing(*this);
}

void TextField::didEndEditing(bool byResigning)
{
    if (auto delegate = m_delegate.lock())
        delegate->textFieldDidEndEditing(*this);
    sendActionsForControlEvents(ControlEvent::EditingDidEnd);
    // One that left its window is laid out again when it is added back.
    if (byResigning)
        setNeedsLayout();
}

void TextField::layoutSubviews()
{
    Control::layoutSubviews();
    if (!m_leftView)
        return;
    bool shown = m_leftViewMode == TextFieldViewMode::Always
        || (m_leftViewMode == TextFieldViewMode::WhileEditing && isEditing())
        || (m_leftViewMode == TextFieldViewMode::UnlessEditing && !isEditing());
    m_leftView->setHidden(!shown);
    graphics::Rect own = m_leftView->frame();
    double x = m_borderStyle == TextBorderStyle::None ? 0 : borderInset;
    m_leftView->setFrame({ x, (bounds().height() - own.height()) / 2, own.width(), own.height() });
}

void TextField::touchesEnded(const Touch& touch)
{
    Control::touchesEnded(touch);
    if (pointInside(touch.locationInView(this)))
        becomeFirstResponder();
}

} // namespace kit
