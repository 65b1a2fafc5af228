#include "cards/CardVolumeCell.h"

#include "cards/PassRecordTexts.h"
#include "platform/kit/Label.h"
#include "ui/ColorUtil.h"

namespace {

std::shared_ptr<kit::Label> makeLabel(const char* name, const graphics::Rect& frame, double fontSize,
    const char* hex, graphics::TextAlignment alignment)
{
    auto label = std::make_shared<kit::Label>(frame);
    label->setName(name);
    label->setFont(graphics::Font::systemFont(fontSize));
    label->setTextColor(ColorUtil::getUIColorByHex(hex));
    label->setTextAlignment(alignment);
    return label;
}

} // namespace

CardVolumeCell::CardVolumeCell()
    : kit::TableViewCell(kit::TableViewCellStyle::Default, reuseIdentifier)
{
    setFrame({ 0, 0, 320, rowHeight });
    auto title
        = makeLabel("labelCouponTitle", { 12, 6, 190, 22 }, 15, "34434e", graphics::TextAlignment::Left);
    m_labelCouponTitle = title;
    addSubview(title);
    m_labelCouponStatus
        = makeLabel("labelCouponStatus", { 208, 6, 100, 22 }, 14, "3AAA24", graphics::TextAlignment::Right);
    addSubview(m_labelCouponStatus);
    m_labelMember
        = makeLabel("labelMember", { 12, 28, 120, 18 }, 12, "888888", graphics::TextAlignment::Left);
    addSubview(m_labelMember);
    m_labelGetTime
        = makeLabel("labelGetTime", { 138, 28, 170, 18 }, 12, "888888", graphics::TextAlignment::Right);
    addSubview(m_labelGetTime);
}

void CardVolumeCell::fill(std::string_view couponType, const foundation::Json& record)
{
    setSelectionStyle(kit::TableViewCellSelectionStyle::Default);
    setClipsToBounds(true);
    setSeparatorInset({ 0, 0, 0, 0 });
    if (auto title = labelCouponTitle())
        title->setText(PassRecordTexts::title(couponType, record).value_or(""));
    m_labelMember->setText(foundation::optionalText(record, "truename").value_or(""));
    m_labelGetTime->setText(PassRecordTexts::time(record, "gettime"));
    m_labelCouponStatus->setText(PassRecordTexts::status(couponType, record).value_or(""));
}
