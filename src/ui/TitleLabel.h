#pragma once

#include <memory>
#include <string>

namespace kit {
class Label;
}

// The white bold title that the member and card screens put in the
// navigation bar in place of a plain title.
class TitleLabel {
public:
    static std::shared_ptr<kit::Label> make(const std::string& title, double height = 30);
};
