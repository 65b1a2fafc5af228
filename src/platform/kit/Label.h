#pragma once

#include "platform/graphics/DrawingContext.h"
#include "platform/graphics/Font.h"
#include "platform/kit/AttributedString.h"
#include "platform/kit/View.h"

#include <optional>
#include <string>

namespace kit {

enum class LineBreakMode {
    WordWrap = 0,
    CharWrap = 1,
    Clip = 2,
    TruncateHead = 3,
    TruncateTail = 4,
    TruncateMiddle = 5
};

// One or more lines of text. Labels take no touches by default, so taps
// fall through to what is under them.
class Label : public View {
public:
    Label();
    explicit Label(const graphics::Rect& frame);

    const std::string& text() const { return m_text; }
    // Setting plain text drops any colour runs.
    void setText(std::string text);
    // An absent text shows as an empty label.
    void setText(const std::optional<std::string>& text) { setText(text.value_or(std::string())); }
    void setText(const char* text) { setText(std::string(text ? text : "")); }
    const std::optional<AttributedString>& attributedText() const { return m_attributedText; }
    void setAttributedText(const AttributedString& text);

    const graphics::Font& font() const { return m_font; }
    void setFont(const graphics::Font& font);
    graphics::Color textColor() const { return m_textColor; }
    void setTextColor(const graphics::Color& color);
    graphics::TextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(graphics::TextAlignment alignment);
    // 0 means as many lines as the height allows.
    int numberOfLines() const { return m_numberOfLines; }
    void setNumberOfLines(int lines);
    LineBreakMode lineBreakMode() const { return m_lineBreakMode; }
    void setLineBreakMode(LineBreakMode mode) { m_lineBreakMode = mode; }
    std::optional<graphics::Color> shadowColor() const { return m_shadowColor; }
    void setShadowColor(const std::optional<graphics::Color>& color) { m_shadowColor = color; }
    graphics::Size shadowOffset() const { return m_shadowOffset; }
    void setShadowOffset(graphics::Size offset) { m_shadowOffset = offset; }
    // With it, a text that does not fit the bounds at the font's size is
    // shown smaller, down to minimumScaleFactor of that size: on one line
    // to fit the width, on several (numberOfLines 0 or above 1) to fit the
    // lines the height holds at the width. Below the floor it is cut.
    bool adjustsFontSizeToFitWidth() const { return m_adjustsFontSizeToFitWidth; }
    void setAdjustsFontSizeToFitWidth(bool adjusts);
    // 0 (the default) lets the text shrink as far as it must.
    double minimumScaleFactor() const { return m_minimumScaleFactor; }
    void setMinimumScaleFactor(double factor);

    // How a painter shows the text: font (shrunk to fit, as above),
    // colour, alignment, lines, runs.
    graphics::TextStyle textStyle() const;
    // The font the text is shown in.
    graphics::Font fittedFont() const;
    // Whether all of the text shows in the bounds, in the fitted font.
    bool showsWholeText() const;

    // Measured with the shared text measurer.
    graphics::Size sizeThatFits(const graphics::Size& size) const override;

private:
    std::string m_text;
    std::optional<AttributedString> m_attributedText;
    graphics::Font m_font = graphics::Font::systemFont(17);
    graphics::Color m_textColor = graphics::Color::black();
    graphics::TextAlignment m_textAlignment = graphics::TextAlignment::Left;
    int m_numberOfLines = 1;
    LineBreakMode m_lineBreakMode = LineBreakMode::TruncateTail;
    std::optional<graphics::Color> m_shadowColor;
    graphics::Size m_shadowOffset { 0, -1 };
    bool m_adjustsFontSizeToFitWidth = false;
    double m_minimumScaleFactor = 0;
};

} // namespace kit
