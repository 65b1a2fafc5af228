#pragma once

#include "platform/graphics/DrawingContext.h"
#include "platform/graphics/Font.h"
#include "platform/kit/KeyboardType.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextBuffer.h"
#include "platform/kit/TextViewDelegate.h"

#include <memory>
#include <string>

namespace kit {

// A multi-line text input. Return inserts a line break through the same
// delegate check as any other keystroke.
class TextView : public ScrollView {
public:
    using ScrollView::ScrollView;

    std::string text() const { return m_buffer.text(); }
    // Programmatic: no delegate call.
    void setText(std::string_view text);
    std::size_t textLength() const { return m_buffer.length(); }
    TextRange selectedRange() const { return m_buffer.selectedRange(); }
    void setSelectedRange(TextRange range) { m_buffer.setSelectedRange(range); }

    std::shared_ptr<TextViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<TextViewDelegate> delegate) { m_delegate = std::move(delegate); }

    const graphics::Font& font() const { return m_font; }
    void setFont(const graphics::Font& font);
    graphics::Color textColor() const { return m_textColor; }
    void setTextColor(const graphics::Color& color);
    graphics::TextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(graphics::TextAlignment alignment);
    bool isEditable() const { return m_editable; }
    void setEditable(bool editable) { m_editable = editable; }
    KeyboardType keyboardType() const { return m_keyboardType; }
    void setKeyboardType(KeyboardType type) { m_keyboardType = type; }
    bool isEditing() const { return m_editing; }

    bool insertText(std::string_view text);
    bool deleteBackward();
    bool returnKey() { return insertText("\n"); }

    bool canBecomeFirstResponder() const override { return m_editable; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void didMoveToWindow() override;
    void touchesEnded(const Touch& touch) override;

private:
    bool replace(TextRange range, std::string_view replacement);

    TextBuffer m_buffer;
    std::weak_ptr<TextViewDelegate> m_delegate;
    graphics::Font m_font = graphics::Font::systemFont(12);
    graphics::Color m_textColor = graphics::Color::black();
    graphics::TextAlignment m_textAlignment = graphics::TextAlignment::Left;
    bool m_editable = true;
    KeyboardType m_keyboardType = KeyboardType::Default;
    bool m_editing = false;
};

} // namespace kit
