#include "ui/TitleLabel.h"

#include "platform/kit/Label.h"

std::shared_ptr<kit::Label> TitleLabel::make(const std::string& title, double height)
{
    auto label = std::make_shared<kit::Label>(graphics::Rect { 0, 0, 120, height });
    label->setName("labelTitle");
    label->setText(title);
    label->setTextAlignment(graphics::TextAlignment::Center);
    label->setTextColor(graphics::Color::white());
    label->setFont(graphics::Font::boldSystemFont(18));
    return label;
}
