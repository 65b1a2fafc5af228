#include "members/RadioAndLabelCell.h"

#include "platform/kit/Label.h"
#include "ui/ColorUtil.h"

RadioAndLabelCell::RadioAndLabelCell()
    : kit::TableViewCell(kit::TableViewCellStyle::Default, reuseIdentifier)
{
    setFrame({ 0, 0, 320, 50 });
    m_labelTitle = std::make_shared<kit::Label>(graphics::Rect { 15, 14, 240, 22 });
    m_labelTitle->setName("labelTitle");
    m_labelTitle->setFont(graphics::Font::systemFont(15));
    m_labelTitle->setTextColor(ColorUtil::getUIColorByHex("34434e"));
    addSubview(m_labelTitle);
}
