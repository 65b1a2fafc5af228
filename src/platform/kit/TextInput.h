#pragma once

#include "platform/graphics/DrawingContext.h"
#include "platform/graphics/Font.h"
#include "platform/kit/KeyboardType.h"
#include "platform/kit/TextBuffer.h"

#include <string>
#include <string_view>

namespace kit {

// The editing flow the one-line field and the multi-line text view share:
// keystrokes that go through the owner's consent over UTF-16 ranges, and
// beginning and ending editing with the keyboard. `Input` (the field or the
// text view) answers for its delegate and sends its own events through
// these private members, reached as a friend:
//
//     bool shouldChangeText(TextRange range, const std::string& replacement);
//     void textDidChange();
//     bool shouldBeginEditing();
//     void didBeginEditing();
//     bool shouldEndEditing();
//     void didEndEditing(bool byResigning); // false: the input left its window
//
// The members are defined for the two inputs only (see TextInput.cpp). Each
// input also names its `defaultFontSize`.
template<class Input, class Base> class TextInput : public Base {
public:
    using Base::Base;

    std::string text() const { return m_buffer.text(); }
    // Programmatic: asks no delegate and sends no event.
    void setText(std::string_view text);
    std::size_t textLength() const { return m_buffer.length(); }
    TextRange selectedRange() const { return m_buffer.selectedRange(); }
    void setSelectedRange(TextRange range);
    bool isEditing() const { return m_editing; }

    const graphics::Font& font() const { return m_font; }
    void setFont(const graphics::Font& font)
    {
        m_font = font;
        this->setNeedsDisplay();
    }
    graphics::Color textColor() const { return m_textColor; }
    void setTextColor(const graphics::Color& color)
    {
        m_textColor = color;
        this->setNeedsDisplay();
    }
    graphics::TextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(graphics::TextAlignment alignment)
    {
        m_textAlignment = alignment;
        this->setNeedsDisplay();
    }
    KeyboardType keyboardType() const { return m_keyboardType; }
    void setKeyboardType(KeyboardType type) { m_keyboardType = type; }

    // The keyboard. Each returns whether the text changed.
    bool insertText(std::string_view text);
    bool deleteBackward();

    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void didMoveToWindow() override;

protected:
    void firstResponderTakenAway() override;

    TextBuffer m_buffer;
    graphics::Font m_font = graphics::Font::systemFont(Input::defaultFontSize);
    graphics::Color m_textColor = graphics::Color::black();
    graphics::TextAlignment m_textAlignment = graphics::TextAlignment::Left;
    KeyboardType m_keyboardType = KeyboardType::Default;

private:
    bool replace(TextRange range, std::string_view replacement);
    void finishEditing(bool byResigning);
    Input& input() { return static_cast<Input&>(*this); }

    bool m_editing = false;
};

} // namespace kit
