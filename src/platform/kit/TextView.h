#pragma once

#include "platform/graphics/DrawingContext.h"
#include "platform/graphics/Font.h"
#include "platform/kit/KeyboardType.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextInput.h"
#include "platform/kit/TextViewDelegate.h"

#include <memory>
#include <string>
#include <string_view>

namespace kit {

// A multi-line text input. Return inserts a line break through the same
// delegate check as any other keystroke.
class TextView : public TextInput<TextView, ScrollView> {
public:
    using TextInput::TextInput;

    std::shared_ptr<TextViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<TextViewDelegate> delegate) { m_delegate = std::move(delegate); }

    bool isEditable() const { return m_editable; }
    void setEditable(bool editable) { m_editable = editable; }

    bool returnKey() { return insertText("\n"); }
    // Programmatic, as TextInput's; the content takes the text's height.
    void setText(std::string_view text);

    // Where the text runs in the view's content: inset from its edges, as
    // tall as the wrapped text and at least as the view. The content is that
    // tall, and a view in edit scrolls to its caret as the text changes, as
    // a phone's does.
    graphics::Rect textRect() const;
    // The caret at the insertion point, in the content.
    graphics::Rect caretRect() const;

    bool canBecomeFirstResponder() const override { return m_editable; }
    void touchesEnded(const Touch& touch) override;

private:
    friend class TextInput<TextView, ScrollView>;
    static constexpr double defaultFontSize = 12;
    // Also refuses every change while the view is not editable.
    bool shouldChangeText(TextRange range, const std::string& replacement);
    void textDidChange();
    bool shouldBeginEditing();
    void didBeginEditing();
    bool shouldEndEditing();
    void didEndEditing(bool byResigning);
    // Sizes the content to the text and, in edit, brings the caret into sight.
    void followText();

    std::weak_ptr<TextViewDelegate> m_delegate;
    bool m_editable = true;
};

} // namespace kit
