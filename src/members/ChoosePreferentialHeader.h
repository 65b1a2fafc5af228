#pragma once

#include "platform/kit/View.h"

#include <memory>

namespace kit {
class Label;
}

// The heading of a section of the discount chooser.
class ChoosePreferentialHeader : public kit::View {
public:
    ChoosePreferentialHeader();

    const std::shared_ptr<kit::Label>& labelName() const { return m_labelName; }

private:
    std::shared_ptr<kit::Label> m_labelName;
};
