#include "members/VipCardUserCell.h"

#include "members/MemberPortrait.h"
#include "model/VipListEntity.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "ui/ColorUtil.h"

VipCardUserCell::VipCardUserCell()
    : kit::TableViewCell(kit::TableViewCellStyle::Default, reuseIdentifier)
{
    setFrame({ 0, 0, 320, rowHeight });
    m_ivPhoto = std::make_shared<kit::ImageView>(graphics::Rect { 12, 7, 36, 36 });
    m_ivPhoto->setName("ivPhoto");
    m_ivPhoto->setClipsToBounds(true);
    m_ivPhoto->layer().setCornerRadius(18);
    addSubview(m_ivPhoto);
    m_labelVipName = std::make_shared<kit::Label>(graphics::Rect { 60, 5, 150, 22 });
    m_labelVipName->setName("labelVipName");
    m_labelVipName->setFont(graphics::Font::systemFont(15));
    m_labelVipName->setTextColor(ColorUtil::getUIColorByHex("34434e"));
    addSubview(m_labelVipName);
    m_labelVipCardNumber = std::make_shared<kit::Label>(graphics::Rect { 60, 27, 200, 18 });
    m_labelVipCardNumber->setName("labelVipCardNumber");
    m_labelVipCardNumber->setFont(graphics::Font::systemFont(12));
    m_labelVipCardNumber->setTextColor(ColorUtil::getUIColorByHex("888888"));
    addSubview(m_labelVipCardNumber);
}

void VipCardUserCell::fill(const VipListEntity& member)
{
    setSelectionStyle(kit::TableViewCellSelectionStyle::Default);
    setClipsToBounds(true);
    setSeparatorInset({ 0, 0, 0, 0 });
    m_labelVipName->setText(member.truename());
    m_labelVipCardNumber->setText(member.cardnum());
    MemberPortrait::show(*m_ivPhoto, member.portrait());
}
