#include "cards/CouponTitleCell.h"

#include "platform/kit/Label.h"
#include "ui/ColorUtil.h"

CouponTitleCell::CouponTitleCell()
    : kit::TableViewCell(kit::TableViewCellStyle::Default, reuseIdentifier)
{
    setFrame({ 0, 0, 320, 50 });
    m_labelCouponTitle = std::make_shared<kit::Label>(graphics::Rect { 15, 14, 240, 22 });
    m_labelCouponTitle->setName("labelCouponTitle");
    m_labelCouponTitle->setFont(graphics::Font::systemFont(15));
    m_labelCouponTitle->setTextColor(ColorUtil::getUIColorByHex("34434e"));
    addSubview(m_labelCouponTitle);
}
