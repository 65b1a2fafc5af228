#pragma once

#include "platform/graphics/Color.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kit {
class AttributedString;
}

// The line under a member payment that says what the parts cover: the
// amounts of the start text, each part above 0, and what is still to pay or
// how much the parts exceed, each amount coloured right after its word.
// Shared by the purchase and the recharge screens.
class PaySummary {
public:
    struct Run {
        std::size_t location = 0; // UTF-16 units
        std::size_t length = 0;
        graphics::Color color;
    };

    static constexpr const char* textHex = "354450";
    static constexpr const char* amountHex = "24a20b";
    static constexpr const char* stillToPayWord = "还需支付";
    static constexpr const char* overPaidWord = "已超过支付金额";

    explicit PaySummary(std::string start);

    // Colours the two-decimal text of `amount` right after the first `word`.
    void colourAfter(std::string_view word, double amount);
    // " <word><amount>元," for a part above 0; nothing otherwise.
    void appendPart(std::string_view word, double amount);
    // What the parts leave open (negative when they exceed): shown unless it
    // is 0.00 to the cent, green while owed and red when overpaid.
    void appendRemainder(double remainder);

    // Confirm is allowed only for a positive total covered to the cent.
    static bool settles(double remainder, double total);

    const std::string& text() const { return m_text; }
    const std::vector<Run>& runs() const { return m_runs; }
    kit::AttributedString attributedText() const;

private:
    void colourAfter(std::string_view word, double amount, const graphics::Color& color);

    std::string m_text;
    std::vector<Run> m_runs;
};
