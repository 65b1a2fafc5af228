#pragma once

#include "platform/kit/TableViewCell.h"

#include <memory>

namespace kit {
class ImageView;
class Label;
} // namespace kit
class VipListEntity;

// A member's row in the members tab and the member search: portrait,
// name and card number.
class VipCardUserCell : public kit::TableViewCell {
public:
    static constexpr const char* reuseIdentifier = "cell_identifier";
    static constexpr double rowHeight = 50;

    VipCardUserCell();

    // The row of one member, portrait included.
    void fill(const VipListEntity& member);

    const std::shared_ptr<kit::ImageView>& ivPhoto() const { return m_ivPhoto; }
    const std::shared_ptr<kit::Label>& labelVipName() const { return m_labelVipName; }
    const std::shared_ptr<kit::Label>& labelVipCardNumber() const { return m_labelVipCardNumber; }

private:
    std::shared_ptr<kit::ImageView> m_ivPhoto;
    std::shared_ptr<kit::Label> m_labelVipName;
    std::shared_ptr<kit::Label> m_labelVipCardNumber;
};
