#pragma once

#include "platform/kit/TableViewCell.h"

#include <memory>

namespace kit {
class Label;
}

// A chooser row that is a text and the row's check box (added by the
// chooser list).
class RadioAndLabelCell : public kit::TableViewCell {
public:
    static constexpr const char* reuseIdentifier = "cell_identifier";

    RadioAndLabelCell();

    const std::shared_ptr<kit::Label>& labelTitle() const { return m_labelTitle; }

private:
    std::shared_ptr<kit::Label> m_labelTitle;
};
