#include "cashier/CashierViews.h"

#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/Layer.h"
#include "ui/ColorUtil.h"

#include <algorithm>

std::shared_ptr<kit::Label> CashierViews::label(std::string_view name, double fontSize,
    std::string_view colorHex, graphics::TextAlignment alignment, const std::string& text)
{
    auto label = std::make_shared<kit::Label>();
    label->setName(std::string(name));
    label->setFont(graphics::Font::systemFont(fontSize));
    label->setTextColor(ColorUtil::getUIColorByHex(colorHex));
    label->setTextAlignment(alignment);
    label->setText(text);
    return label;
}

std::shared_ptr<kit::Button> CashierViews::greenButton(
    std::string_view name, const std::string& title, double fontSize)
{
    auto button = kit::Button::buttonWithType(kit::ButtonType::Custom);
    button->setName(std::string(name));
    button->setTitle(title, kit::ControlState::Normal);
    button->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    button->titleLabel()->setFont(graphics::Font::systemFont(fontSize));
    button->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex(greenHex)), kit::ControlState::Normal);
    auto pressed = ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex(greenPressedHex));
    button->setBackgroundImage(pressed, kit::ControlState::Highlighted);
    button->setBackgroundImage(pressed, kit::ControlState::Selected);
    button->layer().setCornerRadius(4);
    button->setClipsToBounds(true);
    return button;
}

std::shared_ptr<kit::View> CashierViews::panel(std::string_view name, std::string_view colorHex)
{
    auto view = std::make_shared<kit::View>();
    view->setName(std::string(name));
    view->setBackgroundColor(ColorUtil::getUIColorByHex(colorHex));
    return view;
}

std::pair<std::shared_ptr<kit::Label>, std::shared_ptr<kit::Label>> CashierViews::whiteMoney(
    kit::View& panel, double fontSize, const std::string& amount)
{
    auto sign = label("labelMoneyFlag", fontSize, "FFFFFF", graphics::TextAlignment::Left, "￥");
    auto money = label("labelMoney", fontSize, "FFFFFF", graphics::TextAlignment::Left, amount);
    panel.addSubview(sign);
    panel.addSubview(money);
    return { sign, money };
}

void CashierViews::centreMoney(
    kit::Label& sign, kit::Label& amount, double width, double y, double lineHeight, double fontSize)
{
    auto font = graphics::Font::systemFont(fontSize);
    double amountWidth = amount.text().size() * fontSize * 0.6;
    double signWidth = fontSize;
    if (auto measurer = graphics::TextMeasurer::shared()) {
        amountWidth = measurer->boundingSize(amount.text(), font, { width, lineHeight * 2 }).width;
        signWidth = std::max(signWidth * 0.6, measurer->sizeOfText(sign.text(), sign.font()).width);
    }
    double x = (width - amountWidth - signWidth) / 2;
    sign.setFrame({ x, y, signWidth, lineHeight });
    amount.setFrame({ x + signWidth, y, amountWidth + 2, lineHeight });
}
