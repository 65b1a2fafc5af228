#pragma once

#include "platform/kit/TableViewCell.h"

#include <memory>
#include <string>
#include <string_view>

class OrderEntity;

namespace kit {
class Label;
}

// One order of the takings list: account, wallet and way, pay time, refund
// state, amount and payment state.
class BillTableViewCell : public kit::TableViewCell {
public:
    static constexpr std::string_view nibName = "BillTableViewCell";
    static constexpr std::string_view reuseIdentifier = "billCell";
    static constexpr double rowHeight = 56;

    BillTableViewCell();
    void awakeFromNib() override;

    // Fills the labels; a paid order's account follows the wallet tab shown.
    void setOrder(std::shared_ptr<OrderEntity> order, const std::string& currentPayType);
    const std::shared_ptr<OrderEntity>& orderEntity() const { return m_orderEntity; }

    void layoutSubviews() override;

    const std::shared_ptr<kit::Label>& labelAccount() const { return m_labelAccount; }
    const std::shared_ptr<kit::Label>& labelPayWay() const { return m_labelPayWay; }
    const std::shared_ptr<kit::Label>& labelPayTime() const { return m_labelPayTime; }
    const std::shared_ptr<kit::Label>& labelRefund() const { return m_labelRefund; }
    const std::shared_ptr<kit::Label>& labelMoney() const { return m_labelMoney; }
    const std::shared_ptr<kit::Label>& labelPayStatus() const { return m_labelPayStatus; }

private:
    std::shared_ptr<OrderEntity> m_orderEntity;
    std::shared_ptr<kit::Label> m_labelAccount;
    std::shared_ptr<kit::Label> m_labelPayWay;
    std::shared_ptr<kit::Label> m_labelPayTime;
    std::shared_ptr<kit::Label> m_labelRefund;
    std::shared_ptr<kit::Label> m_labelMoney;
    std::shared_ptr<kit::Label> m_labelPayStatus;
};
