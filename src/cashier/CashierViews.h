#pragma once

#include "platform/graphics/DrawingContext.h"
#include "platform/graphics/Geometry.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace kit {
class Button;
class Label;
class View;
} // namespace kit

// The few view recipes the collection screens share, standing in for their
// interface files: named labels, the green action button, a plain panel.
class CashierViews {
public:
    static constexpr std::string_view greenHex = "3AAA24";
    static constexpr std::string_view greenPressedHex = "2F841D";
    static constexpr std::string_view pageHex = "F4F4F4";
    static constexpr std::string_view darkTextHex = "333333";
    static constexpr double navigationBarHeight = 64;

    static std::shared_ptr<kit::Label> label(std::string_view name, double fontSize,
        std::string_view colorHex, graphics::TextAlignment alignment = graphics::TextAlignment::Left,
        const std::string& text = {});
    // White title on green, darker when pressed.
    static std::shared_ptr<kit::Button> greenButton(
        std::string_view name, const std::string& title, double fontSize = 17);
    static std::shared_ptr<kit::View> panel(std::string_view name, std::string_view colorHex);
    // The white "￥" sign and amount, `labelMoneyFlag` and `labelMoney`, added
    // to `panel`; centreMoney places them.
    static std::pair<std::shared_ptr<kit::Label>, std::shared_ptr<kit::Label>> whiteMoney(
        kit::View& panel, double fontSize, const std::string& amount = {});
    // "￥" and an amount centred together across `width`, the amount
    // measured in `fontSize`; the sign sits just left of it.
    static void centreMoney(
        kit::Label& sign, kit::Label& amount, double width, double y, double lineHeight, double fontSize);
};
