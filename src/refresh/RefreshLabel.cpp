#include "refresh/RefreshLabel.h"

std::shared_ptr<kit::Label> refreshLabel()
{
    auto label = std::make_shared<kit::Label>();
    label->setFont(graphics::Font::boldSystemFont(14));
    label->setTextColor(graphics::Color(90 / 255.0, 90 / 255.0, 90 / 255.0, 1.0));
    label->setAutoresizingMask(2);
    label->setTextAlignment(graphics::TextAlignment::Center);
    label->setBackgroundColor(graphics::Color::clear());
    return label;
}
