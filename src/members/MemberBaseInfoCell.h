#pragma once

#include "platform/kit/TableViewCell.h"

#include <memory>

namespace kit {
class Label;
}

// One field of the member detail's table: a title and its value.
class MemberBaseInfoCell : public kit::TableViewCell {
public:
    static constexpr const char* reuseIdentifier = "cell_identifier";

    MemberBaseInfoCell();

    const std::shared_ptr<kit::Label>& labelTitle() const { return m_labelTitle; }
    const std::shared_ptr<kit::Label>& labelValue() const { return m_labelValue; }

private:
    std::shared_ptr<kit::Label> m_labelTitle;
    std::shared_ptr<kit::Label> m_labelValue;
};
