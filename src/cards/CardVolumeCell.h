#pragma once

#include "platform/foundation/Json.h"
#include "platform/kit/TableViewCell.h"

#include <memory>
#include <string_view>

namespace kit {
class Label;
}

// One pass log row: the pass, its state, when it was received and by whom.
class CardVolumeCell : public kit::TableViewCell {
public:
    static constexpr const char* reuseIdentifier = "cell_identifier";
    static constexpr double rowHeight = 52;

    CardVolumeCell();

    // Every label is set, to "" where the record has nothing: a reused
    // cell must not keep another record's state or time.
    void fill(std::string_view couponType, const foundation::Json& record);

    std::shared_ptr<kit::Label> labelCouponTitle() const { return m_labelCouponTitle.lock(); }
    const std::shared_ptr<kit::Label>& labelCouponStatus() const { return m_labelCouponStatus; }
    const std::shared_ptr<kit::Label>& labelGetTime() const { return m_labelGetTime; }
    const std::shared_ptr<kit::Label>& labelMember() const { return m_labelMember; }

private:
    // Held weakly, as the row's view tree owns it.
    std::weak_ptr<kit::Label> m_labelCouponTitle;
    std::shared_ptr<kit::Label> m_labelCouponStatus;
    std::shared_ptr<kit::Label> m_labelGetTime;
    std::shared_ptr<kit::Label> m_labelMember;
};
