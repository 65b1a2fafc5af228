#pragma once

#include "platform/kit/TableViewCell.h"

#include <memory>

namespace kit {
class ImageView;
class Label;
} // namespace kit

// A discount way or a pass in a chooser: its icon, title and size.
class ChoosePreferentialCell : public kit::TableViewCell {
public:
    static constexpr const char* reuseIdentifier = "cell_identifier";

    ChoosePreferentialCell();

    const std::shared_ptr<kit::ImageView>& ivIcon() const { return m_ivIcon; }
    const std::shared_ptr<kit::Label>& labelCouponTitle() const { return m_labelCouponTitle; }
    const std::shared_ptr<kit::Label>& labelDiscountSize() const { return m_labelDiscountSize; }

private:
    std::shared_ptr<kit::ImageView> m_ivIcon;
    std::shared_ptr<kit::Label> m_labelCouponTitle;
    std::shared_ptr<kit::Label> m_labelDiscountSize;
};
