#include "members/MemberPayBar.h"

#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "ui/ColorUtil.h"
#include "ui/GreenButton.h"

MemberPayBar::MemberPayBar(double width, double screenHeight)
    : kit::View(graphics::Rect { 0, screenHeight - height, width, height })
    , m_screenHeight(screenHeight)
{
    setName("viewTotalMoney");
    setBackgroundColor(ColorUtil::getUIColorByHex("F5F3F2"));
    m_btnOk = std::make_shared<kit::Button>(
        kit::ButtonType::Custom, graphics::Rect { width - 90, 0, 90, height });
    m_btnOk->setName("btnOk");
    m_btnOk->setTitle("确定", kit::ControlState::Normal);
    m_btnOk->titleLabel()->setFont(graphics::Font::systemFont(18));
    setOkBtnStyle(false);
    addSubview(m_btnOk);
    // As high as the bar: the bar stands on the screen's bottom edge, so a
    // line below it would not be seen.
    m_labelPrice = std::make_shared<kit::Label>(graphics::Rect { 6, 0, width - 100, height });
    m_labelPrice->setName("labelPrice");
    m_labelPrice->setFont(graphics::Font::systemFont(summaryFontSize));
    m_labelPrice->setNumberOfLines(0);
    m_labelPrice->setAdjustsFontSizeToFitWidth(true);
    m_labelPrice->setMinimumScaleFactor(summaryFloorSize / summaryFontSize);
    addSubview(m_labelPrice);
}

void MemberPayBar::styleOkButton(kit::Button& button, bool enabled)
{
    button.setEnabled(enabled);
    if (enabled) {
        button.setTitleColor(graphics::Color::white(), kit::ControlState::Disabled);
        GreenButton::style(button);
    } else {
        button.setTitleColor(ColorUtil::getUIColorByHex("888888"), kit::ControlState::Disabled);
        auto grey = ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("dfdfdf"));
        button.setBackgroundImage(grey, kit::ControlState::Normal);
        button.setBackgroundImage(grey, kit::ControlState::Highlighted);
    }
}

void MemberPayBar::restOnKeyboard(double keyboardHeight)
{
    auto place = frame();
    place.origin.y = m_screenHeight - height - keyboardHeight;
    setFrame(place);
}
