#include "members/ChoosePreferentialHeader.h"

#include "platform/kit/Label.h"
#include "ui/ColorUtil.h"

ChoosePreferentialHeader::ChoosePreferentialHeader()
    : kit::View(graphics::Rect { 0, 0, 320, 40 })
{
    setBackgroundColor(ColorUtil::getUIColorByHex("EDEDED"));
    m_labelName = std::make_shared<kit::Label>(graphics::Rect { 15, 10, 200, 20 });
    m_labelName->setName("labelName");
    m_labelName->setFont(graphics::Font::systemFont(14));
    m_labelName->setTextColor(ColorUtil::getUIColorByHex("888888"));
    addSubview(m_labelName);
}
