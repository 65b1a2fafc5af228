#pragma once

#include "platform/graphics/DrawingContext.h"
#include "platform/graphics/Geometry.h"

#include <memory>

namespace kit {
class Button;
class Label;
class View;
} // namespace kit
class BaseViewController;

// A row of a member form (a payment part, the discount way, the recharge
// rule, the points reason): a white button with its caption on the left and,
// over its right end, the label of what is chosen.
class MemberPartRow {
public:
    static constexpr double height = 44;

    // A row text that lets touches through to the row's button.
    static std::shared_ptr<kit::Label> makeLabel(
        const char* name, const graphics::Rect& frame, graphics::TextAlignment alignment);
    // The row across `parent` at `y`; `label` becomes its value label.
    static std::shared_ptr<kit::Button> make(BaseViewController& screen, kit::View& parent,
        const char* buttonName, const char* title, const char* labelName, std::shared_ptr<kit::Label>& label,
        double y);
};
