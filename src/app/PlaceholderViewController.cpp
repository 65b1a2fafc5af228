#include "app/PlaceholderViewController.h"

#include "platform/kit/Label.h"

PlaceholderViewController::PlaceholderViewController(std::string title)
{
    setTitle(title);
}

void PlaceholderViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
}

void PlaceholderViewController::initViews()
{
    auto root = view();
    root->setBackgroundColor(graphics::Color::white());
    auto label = std::make_shared<kit::Label>();
    label->setName("placeholderLabel");
    label->setText(title() + " (待开发)");
    label->setTextAlignment(graphics::TextAlignment::Center);
    label->setFrame({ 0, root->bounds().size.height / 2 - 20, root->bounds().size.width, 40 });
    root->addSubview(label);
}
