#include "members/MemberPayBar.h"

#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "ui/ColorUtil.h"

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
    m_labelPrice = std::make_shared<kit::Label>(graphics::Rect { 6, 0, width - 100, 60 });
    m_labelPrice->setName("labelPrice");
    m_labelPrice->setFont(graphics::Font::systemFont(13));
    m_labelPrice->setNumberOfLines(0);
    addSubview(m_labelPrice);
}

void MemberPayBar::setOkBtnStyle(bool enabled)
{
    m_btnOk->setEnabled(enabled);
    if (enabled) {
        m_btnOk->setTitleColor(graphics::Color::white(), kit::ControlState::Disabled);
        m_btnOk->setBackgroundImage(
            ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2ca612")), kit::ControlState::Normal);
        m_btnOk->setBackgroundImage(ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2b861b")),
            kit::ControlState::Highlighted);
    } else {
        m_btnOk->setTitleColor(ColorUtil::getUIColorByHex("888888"), kit::ControlState::Disabled);
        auto grey = ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("dfdfdf"));
        m_btnOk->setBackgroundImage(grey, kit::ControlState::Normal);
        m_btnOk->setBackgroundImage(grey, kit::ControlState::Highlighted);
    }
}

void MemberPayBar::restOnKeyboard(double keyboardHeight)
{
    auto place = frame();
    place.origin.y = m_screenHeight - height - keyboardHeight;
    setFrame(place);
}
