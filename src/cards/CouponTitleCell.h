#pragma once

#include "platform/kit/TableViewCell.h"

#include <memory>

namespace kit {
class Label;
}

// A wallet pass in a chooser: its title, and the row's check box (added by
// the chooser list).
class CouponTitleCell : public kit::TableViewCell {
public:
    static constexpr const char* reuseIdentifier = "cell_identifier";

    CouponTitleCell();

    const std::shared_ptr<kit::Label>& labelCouponTitle() const { return m_labelCouponTitle; }

private:
    std::shared_ptr<kit::Label> m_labelCouponTitle;
};
