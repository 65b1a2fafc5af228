#include "platform/kit/TextBuffer.h"

#include "platform/foundation/Strings.h"

#include <algorithm>

namespace kit {

namespace {

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

std::string TextBuffer::text() const
{
    return foundation::fromUtf16(m_units);
}

void TextBuffer::setText(std::string_view text)
{
    m_units = foundation::toUtf16(text);
    m_selection = { m_units.size(), 0 };
}

TextRange TextBuffer::clamped(TextRange range) const
{
    std::size_t start = std::min(range.location, m_units.size());
    std::size_t end = start + std::min(range.length, m_units.size() - start);
    if (start > 0 && start < m_units.size() && isLowSurrogate(m_units[start])
        && isHighSurrogate(m_units[start - 1]))
        --start;
    if (end > 0 && end < m_units.size() && isLowSurrogate(m_units[end]) && isHighSurrogate(m_units[end - 1]))
        ++end;
    return { start, end - start };
}

void TextBuffer::setSelectedRange(TextRange range)
{
    m_selection = clamped(range);
}

std::optional<TextRange> TextBuffer::deletionRange() const
{
    if (m_selection.length > 0)
        return m_selection;
    std::size_t caret = m_selection.location;
    if (caret == 0)
        return std::nullopt;
    if (caret >= 2 && isLowSurrogate(m_units[caret - 1]) && isHighSurrogate(m_units[caret - 2]))
        return TextRange { caret - 2, 2 };
    return TextRange { caret - 1, 1 };
}

void TextBuffer::replace(TextRange range, std::string_view replacement)
{
    TextRange r = clamped(range);
    std::u16string units = foundation::toUtf16(replacement);
    m_units.replace(r.location, r.length, units);
    m_selection = { r.location + units.size(), 0 };
}

} // namespace kit
