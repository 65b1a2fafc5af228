#pragma once

#include "platform/kit/TextRange.h"

#include <optional>
#include <string>
#include <string_view>

namespace kit {

// The editable text behind a field: the units and the selection, in UTF-16
// so that a delegate's range means the same thing here as in its filter.
class TextBuffer {
public:
    std::string text() const;
    // Puts the caret at the end, where a phone puts it after a programmatic set.
    void setText(std::string_view text);

    std::size_t length() const { return m_units.size(); }
    bool isEmpty() const { return m_units.empty(); }

    TextRange selectedRange() const { return m_selection; }
    // Clamped to the text, and widened so it never splits a surrogate pair.
    void setSelectedRange(TextRange range);

    // What a keystroke or a paste replaces: the selection.
    TextRange insertionRange() const { return m_selection; }
    // What the delete key removes: the selection, or the character before the
    // caret (both units of a pair). Nothing at the start of the text.
    std::optional<TextRange> deletionRange() const;

    // Replaces a range (clamped) and leaves the caret after the new text.
    void replace(TextRange range, std::string_view replacement);

private:
    TextRange clamped(TextRange range) const;

    std::u16string m_units;
    TextRange m_selection;
};

} // namespace kit
