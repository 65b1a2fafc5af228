#include "platform/graphics/FakeTextMeasurer.h"

#include "platform/foundation/Strings.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace graphics {

namespace {

// Lenient decoding: only the ASCII/non-ASCII split matters here, so a bad
// byte simply counts as one wide character.
std::vector<char32_t> codePoints(std::string_view text)
{
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
        out.push_back(lead < 0x80 ? lead : 0xfffd);
        i += length;
    }
    return out;
}

std::vector<std::vector<char32_t>> paragraphs(std::string_view text)
{
    std::vector<std::vector<char32_t>> out(1);
    for (char32_t c : codePoints(text)) {
        if (c == '\n')
            out.emplace_back();
        else
            out.back().push_back(c);
    }
    return out;
}

double widthOf(const std::vector<char32_t>& line, std::size_t from, std::size_t to, const Font& font)
{
    // Spaces a line ends on are not part of its width.
    while (to > from && line[to - 1] == ' ')
        --to;
    double width = 0;
    for (std::size_t i = from; i < to; ++i)
        width += FakeTextMeasurer::advance(line[i], font);
    return width;
}

} // namespace

double FakeTextMeasurer::advance(char32_t c, const Font& font)
{
    return (c < 0x80 ? 0.5 : 1.0) * font.pointSize();
}

double FakeTextMeasurer::lineHeight(const Font& font) const
{
    return 1.2 * font.pointSize();
}

Size FakeTextMeasurer::sizeOfText(std::string_view text, const Font& font) const
{
    if (text.empty())
        return {};
    auto lines = paragraphs(text);
    double width = 0;
    for (const auto& line : lines)
        width = std::max(width, widthOf(line, 0, line.size(), font));
    return { width, lines.size() * lineHeight(font) };
}

Size FakeTextMeasurer::boundingSize(std::string_view text, const Font& font, Size bounds) const
{
    if (text.empty())
        return {};
    double limit = std::max(0.0, bounds.width);
    std::vector<double> widths;
    for (const auto& line : paragraphs(text)) {
        std::size_t start = 0;
        while (true) {
            double width = 0;
            std::size_t end = start;
            std::size_t afterSpace = start;
            while (end < line.size() && (end == start || width + advance(line[end], font) <= limit)) {
                width += advance(line[end], font);
                if (line[end] == ' ')
                    afterSpace = end + 1;
                ++end;
            }
            if (end < line.size() && afterSpace > start)
                end = afterSpace;
            widths.push_back(std::min(limit, widthOf(line, start, end, font)));
            if (end >= line.size())
                break;
            start = end;
        }
    }
    double lh = lineHeight(font);
    std::size_t kept = widths.size();
    // Compared as doubles: a height meaning "no limit" is far past any count.
    double fitting = std::floor(bounds.height / lh + 1e-9);
    if (std::isfinite(bounds.height) && bounds.height >= 0 && fitting < static_cast<double>(kept))
        kept = std::max<std::size_t>(1, static_cast<std::size_t>(fitting));
    double width = *std::max_element(widths.begin(), widths.begin() + static_cast<std::ptrdiff_t>(kept));
    return { width, kept * lh };
}

Point FakeTextMeasurer::caretPosition(
    std::string_view text, std::size_t index, const Font& font, double) const
{
    // After the characters before it on their line; wrapping is left out.
    auto before = paragraphs(foundation::utf16SubstringTo(text, index));
    double x = 0;
    for (char32_t c : before.back())
        x += advance(c, font);
    return { x, static_cast<double>(before.size() - 1) * lineHeight(font) };
}

} // namespace graphics
