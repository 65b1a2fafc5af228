#pragma once

#include "platform/graphics/DrawingContext.h"
#include "platform/graphics/Font.h"
#include "platform/kit/Control.h"
#include "platform/kit/KeyboardType.h"
#include "platform/kit/TextFieldDelegate.h"
#include "platform/kit/TextInput.h"

#include <memory>
#include <optional>
#include <string>

namespace kit {

enum class TextBorderStyle { None = 0, Line = 1, Bezel = 2, RoundedRect = 3 };
enum class TextFieldViewMode { Never = 0, WhileEditing = 1, UnlessEditing = 2, Always = 3 };

// A one-line text input. Its text changes only through the keystroke path
// (insertText, deleteBackward, clearText) when the delegate accepts, or
// through setText from code, which asks nobody.
class TextField : public TextInput<TextField, Control> {
public:
    using TextInput::TextInput;

    const std::string& placeholder() const { return m_placeholder; }
    void setPlaceholder(std::string placeholder);

    std::shared_ptr<TextFieldDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<TextFieldDelegate> delegate) { m_delegate = std::move(delegate); }

    TextBorderStyle borderStyle() const { return m_borderStyle; }
    void setBorderStyle(TextBorderStyle style);
    bool isSecureTextEntry() const { return m_secureTextEntry; }
    void setSecureTextEntry(bool secure);
    ReturnKeyType returnKeyType() const { return m_returnKeyType; }
    void setReturnKeyType(ReturnKeyType type) { m_returnKeyType = type; }
    std::shared_ptr<View> leftView() const { return m_leftView; }
    void setLeftView(std::shared_ptr<View> view);
    TextFieldViewMode leftViewMode() const { return m_leftViewMode; }
    void setLeftViewMode(TextFieldViewMode mode);
    bool clearsOnBeginEditing() const { return m_clearsOnBeginEditing; }
    void setClearsOnBeginEditing(bool clears) { m_clearsOnBeginEditing = clears; }

    // What the field shows: the text (as bullets when secure), else the
    // placeholder. The renderer and the transcript read it.
    std::string displayText() const;
    bool isShowingPlaceholder() const { return m_buffer.isEmpty(); }

    // More keys: clearText returns whether the text changed, returnKey what
    // the delegate answered.
    bool clearText();
    bool returnKey();

    bool canBecomeFirstResponder() const override { return isEnabled(); }

    void layoutSubviews() override;
    // Tapping a field puts the caret in it, as on the phone.
    void touchesEnded(const Touch& touch) override;

private:
    friend class TextInput<TextField, Control>;
    static constexpr double defaultFontSize = 17;
    bool shouldChangeText(TextRange range, const std::string& replacement);
    void textDidChange();
    bool shouldBeginEditing();
    void didBeginEditing();
    bool shouldEndEditing();
    void didEndEditing(bool byResigning);

    std::string m_placeholder;
    std::weak_ptr<TextFieldDelegate> m_delegate;
    TextBorderStyle m_borderStyle = TextBorderStyle::None;
    bool m_secureTextEntry = false;
    ReturnKeyType m_returnKeyType = ReturnKeyType::Default;
    std::shared_ptr<View> m_leftView;
    TextFieldViewMode m_leftViewMode = TextFieldViewMode::Never;
    bool m_clearsOnBeginEditing = false;
};

} // namespace kit
