#include "members/PaySummary.h"

#include "platform/foundation/Strings.h"
#include "platform/kit/AttributedString.h"
#include "ui/ColorUtil.h"

#include <cmath>

PaySummary::PaySummary(std::string start)
    : m_text(std::move(start))
{
}

void PaySummary::colourAfter(std::string_view word, double amount)
{
    colourAfter(word, amount, ColorUtil::getUIColorByHex(amountHex));
}

void PaySummary::colourAfter(std::string_view word, double amount, const graphics::Color& color)
{
    auto at = foundation::utf16IndexOf(m_text, word);
    if (!at)
        return;
    std::size_t digits = foundation::formatFixed(amount, 2).size();
    m_runs.push_back({ *at + foundation::utf16Length(word), digits, color });
}

void PaySummary::appendPart(std::string_view word, double amount)
{
    if (amount <= 0)
        return;
    m_text += " ";
    m_text += word;
    m_text += foundation::formatFixed(amount, 2) + "元,";
    colourAfter(word, amount);
}

void PaySummary::appendRemainder(double remainder)
{
    double open = std::fabs(remainder);
    if (foundation::formatFixed(open, 2) == "0.00")
        return;
    std::string_view word = remainder >= 0 ? stillToPayWord : overPaidWord;
    m_text += " ";
    m_text += word;
    m_text += foundation::formatFixed(open, 2) + "元;";
    if (remainder > 0)
        colourAfter(word, open);
    else
        colourAfter(word, open, graphics::Color::redColor());
}

bool PaySummary::settles(double remainder, double total)
{
    return foundation::doubleValue(foundation::formatFixed(std::fabs(remainder), 2)) == 0 && total > 0;
}

kit::AttributedString PaySummary::attributedText() const
{
    kit::AttributedString attributed(m_text);
    attributed.addColor(ColorUtil::getUIColorByHex(textHex), 0, attributed.length());
    for (const auto& run : m_runs)
        attributed.addColor(run.color, run.location, run.length);
    return attributed;
}
