#include "members/ChoosePreferentialCell.h"

#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "ui/ColorUtil.h"

ChoosePreferentialCell::ChoosePreferentialCell()
    : kit::TableViewCell(kit::TableViewCellStyle::Default, reuseIdentifier)
{
    setFrame({ 0, 0, 320, 50 });
    m_ivIcon = std::make_shared<kit::ImageView>(graphics::Rect { 12, 10, 30, 30 });
    m_ivIcon->setName("ivIcon");
    m_ivIcon->setContentMode(kit::ContentMode::Center);
    addSubview(m_ivIcon);
    m_labelCouponTitle = std::make_shared<kit::Label>(graphics::Rect { 52, 6, 180, 22 });
    m_labelCouponTitle->setName("labelCouponTitle");
    m_labelCouponTitle->setFont(graphics::Font::systemFont(15));
    m_labelCouponTitle->setTextColor(ColorUtil::getUIColorByHex("34434e"));
    addSubview(m_labelCouponTitle);
    m_labelDiscountSize = std::make_shared<kit::Label>(graphics::Rect { 52, 28, 180, 16 });
    m_labelDiscountSize->setName("labelDiscountSize");
    m_labelDiscountSize->setFont(graphics::Font::systemFont(12));
    m_labelDiscountSize->setTextColor(ColorUtil::getUIColorByHex("f05a28"));
    addSubview(m_labelDiscountSize);
}
