#include "cashier/BillTableViewCell.h"

#include "api/DateUtil.h"
#include "cashier/CashierViews.h"
#include "model/OrderEntity.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/Label.h"
#include "ui/ColorUtil.h"
#include "ui/OrderStatusTexts.h"

BillTableViewCell::BillTableViewCell()
    : kit::TableViewCell(kit::TableViewCellStyle::Default, std::string(reuseIdentifier))
{
    setName("billCell");
    setSelectionStyle(kit::TableViewCellSelectionStyle::None);
    using graphics::TextAlignment;
    m_labelAccount = CashierViews::label("labelAccount", 14, CashierViews::darkTextHex);
    m_labelPayWay = CashierViews::label("labelPayWay", 12, "888888");
    m_labelPayTime = CashierViews::label("labelPayTime", 12, "888888");
    m_labelRefund = CashierViews::label("labelRefund", 12, "888888", TextAlignment::Right);
    m_labelMoney = CashierViews::label("labelMoney", 14, CashierViews::darkTextHex, TextAlignment::Right);
    m_labelPayStatus = CashierViews::label("labelPayStatus", 12, "3baa24", TextAlignment::Right);
}

// The content view is made on first use, which needs the cell's owner: the
// labels go in once the cell is built.
void BillTableViewCell::awakeFromNib()
{
    kit::TableViewCell::awakeFromNib();
    if (m_labelAccount->superview())
        return;
    auto content = contentView();
    for (auto& label :
        { m_labelAccount, m_labelPayWay, m_labelPayTime, m_labelRefund, m_labelMoney, m_labelPayStatus })
        content->addSubview(label);
}

void BillTableViewCell::setOrder(std::shared_ptr<OrderEntity> order, const std::string& currentPayType)
{
    awakeFromNib();
    m_orderEntity = std::move(order);
    if (!m_orderEntity)
        return;
    const auto& o = *m_orderEntity;
    m_labelAccount->setText(OrderStatusTexts::accountText(o.paystatus(), currentPayType, o.buyer_account()));
    m_labelPayWay->setText(OrderStatusTexts::payTypeText(o.paytype()));
    m_labelPayTime->setText(OrderStatusTexts::showsPayTime(o.paystatus())
            ? DateUtil::timestampToString(foundation::longLongValue(o.paytime()))
            : std::string());
    m_labelRefund->setText(OrderStatusTexts::refundText(o.is_refund()));
    m_labelMoney->setText(OrderStatusTexts::moneyText(o.paystatus(), o.paymoney(), o.pryPayMoney()));
    m_labelPayStatus->setText(OrderStatusTexts::payStatusText(o.paystatus()));
    m_labelPayStatus->setTextColor(
        ColorUtil::getUIColorByHex(OrderStatusTexts::payStatusColorHex(o.paystatus())));
}

void BillTableViewCell::layoutSubviews()
{
    kit::TableViewCell::layoutSubviews();
    double width = bounds().width();
    double half = (width - 30) / 2;
    m_labelAccount->setFrame({ 15, 8, half + 20, 20 });
    m_labelMoney->setFrame({ 15 + half - 20, 8, half + 20, 20 });
    m_labelPayWay->setFrame({ 15, 30, 60, 18 });
    m_labelPayTime->setFrame({ 75, 30, half, 18 });
    m_labelRefund->setFrame({ width - 15 - 110, 30, 50, 18 });
    m_labelPayStatus->setFrame({ width - 15 - 60, 30, 60, 18 });
}
