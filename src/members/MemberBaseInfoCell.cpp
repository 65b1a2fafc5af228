#include "members/MemberBaseInfoCell.h"

#include "platform/kit/Label.h"
#include "ui/ColorUtil.h"

MemberBaseInfoCell::MemberBaseInfoCell()
    : kit::TableViewCell(kit::TableViewCellStyle::Default, reuseIdentifier)
{
    setFrame({ 0, 0, 320, 46 });
    m_labelTitle = std::make_shared<kit::Label>(graphics::Rect { 15, 12, 100, 22 });
    m_labelTitle->setName("labelTitle");
    m_labelTitle->setFont(graphics::Font::systemFont(14));
    m_labelTitle->setTextColor(ColorUtil::getUIColorByHex("888888"));
    addSubview(m_labelTitle);
    m_labelValue = std::make_shared<kit::Label>(graphics::Rect { 120, 12, 185, 22 });
    m_labelValue->setName("labelValue");
    m_labelValue->setFont(graphics::Font::systemFont(14));
    m_labelValue->setTextColor(ColorUtil::getUIColorByHex("34434e"));
    m_labelValue->setTextAlignment(graphics::TextAlignment::Right);
    addSubview(m_labelValue);
}
