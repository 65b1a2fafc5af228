#pragma once

#include "platform/kit/View.h"

#include <memory>

namespace kit {
class Button;
class Label;
} // namespace kit

// The bar at the bottom of a member payment: the summary line and "确定",
// which is green only while the parts settle the amount. It rests on the
// keyboard while one is up.
class MemberPayBar : public kit::View {
public:
    static constexpr double height = 56;
    // The summary line shrinks from its size to fit the bar (the longest
    // line amounts typed on the keypad make, every part set and overpaid,
    // takes 11.5), never below the floor, where it is still read at a glance.
    static constexpr double summaryFontSize = 13;
    static constexpr double summaryFloorSize = 10;

    // Across the bottom of a screen `screenHeight` high.
    MemberPayBar(double width, double screenHeight);

    void setOkBtnStyle(bool enabled) { styleOkButton(*m_btnOk, enabled); }
    // Green and enabled, or grey and disabled.
    static void styleOkButton(kit::Button& button, bool enabled);
    void restOnKeyboard(double keyboardHeight);

    const std::shared_ptr<kit::Label>& labelPrice() const { return m_labelPrice; }
    const std::shared_ptr<kit::Button>& btnOk() const { return m_btnOk; }

private:
    double m_screenHeight;
    std::shared_ptr<kit::Label> m_labelPrice;
    std::shared_ptr<kit::Button> m_btnOk;
};
