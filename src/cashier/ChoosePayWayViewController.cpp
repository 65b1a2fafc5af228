#include "cashier/ChoosePayWayViewController.h"

#include "platform/foundation/Strings.h"
#include "platform/kit/Label.h"

void ChoosePayWayViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
}

void ChoosePayWayViewController::initViews()
{
    setTitle("收款");
    auto root = view();
    root->setBackgroundColor(graphics::Color::white());
    m_labelMoney = std::make_shared<kit::Label>();
    m_labelMoney->setName("labelMoney");
    m_labelMoney->setFont(graphics::Font::systemFont(35));
    m_labelMoney->setTextAlignment(graphics::TextAlignment::Center);
    m_labelMoney->setText(foundation::formatFixed(m_money, 2));
    m_labelMoney->setFrame({ 0, 64 + 40, root->bounds().width(), 45 });
    root->addSubview(m_labelMoney);
}
