#include "cashier/Order404ViewController.h"

#include "cashier/CashierViews.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/Screen.h"
#include "ui/ColorUtil.h"

void Order404ViewController::loadView()
{
    auto bounds = kit::Screen::mainScreen().bounds();
    auto root = std::make_shared<kit::View>(bounds);
    root->setBackgroundColor(ColorUtil::getUIColorByHex(CashierViews::pageHex));
    setView(root);
    double width = bounds.width();
    double y = CashierViews::navigationBarHeight + 50;
    auto picture = std::make_shared<kit::ImageView>(graphics::Image::named("Order404"));
    picture->setName("ivNotFound");
    picture->setContentMode(kit::ContentMode::Center);
    picture->setFrame({ 0, y, width, 140 });
    root->addSubview(picture);
    auto message = CashierViews::label(
        "labelNotFound", 16, CashierViews::darkTextHex, graphics::TextAlignment::Center, "没有找到该订单");
    message->setFrame({ 0, y + 150, width, 24 });
    root->addSubview(message);
    auto hint = CashierViews::label(
        "labelNotFoundHint", 13, "888888", graphics::TextAlignment::Center, "请核对订单号后重新查询");
    hint->setFrame({ 0, y + 176, width, 20 });
    root->addSubview(hint);
    m_btnBack = CashierViews::greenButton("btnBack", "返回重新查询");
    m_btnBack->setFrame({ 15, y + 220, width - 30, 44 });
    root->addSubview(m_btnBack);
}

void Order404ViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
}

void Order404ViewController::initViews()
{
    setTitle("订单查询");
    m_btnBack->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2ca612")), kit::ControlState::Normal);
    m_btnBack->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2b861b")), kit::ControlState::Highlighted);
    m_btnBack->addTarget(self(), &BaseViewController::back, kit::ControlEvent::TouchUpInside);
}
