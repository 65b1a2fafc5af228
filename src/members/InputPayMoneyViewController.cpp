#include "members/InputPayMoneyViewController.h"

#include "platform/foundation/Strings.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/TextField.h"
#include "ui/AmountFilter.h"
#include "ui/ColorUtil.h"
#include "ui/GreenButton.h"
#include "ui/TitleLabel.h"

#include <algorithm>
#include <cmath>

namespace {

const char* titleFor(int type)
{
    switch (type) {
    case InputPayMoneyDelegate::cashType:
        return "现金支付";
    case InputPayMoneyDelegate::balanceType:
        return "余额支付";
    default:
        return "移动支付";
    }
}

} // namespace

void InputPayMoneyViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    screenAdapter();
    initNavigatonBackButton();
}

void InputPayMoneyViewController::initViews()
{
    navigationItem()->setTitleView(TitleLabel::make(titleFor(m_type), 40));
    auto root = view();
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F5F3F2"));
    double width = root->bounds().width();

    m_tvMoney = std::make_shared<kit::TextField>(graphics::Rect { 15, 64 + 20, width - 30, 44 });
    m_tvMoney->setName("tvMoney");
    m_tvMoney->setPlaceholder("请输入金额");
    m_tvMoney->setBackgroundColor(graphics::Color::white());
    m_tvMoney->setBorderStyle(kit::TextBorderStyle::RoundedRect);
    m_tvMoney->setKeyboardType(kit::KeyboardType::DecimalPad);
    m_tvMoney->setDelegate(self());
    if (m_money > 0)
        m_tvMoney->setText(foundation::formatFixed(m_money, m_money == std::floor(m_money) ? 0 : 2));
    root->addSubview(m_tvMoney);

    m_btnOk = std::make_shared<kit::Button>(
        kit::ButtonType::Custom, graphics::Rect { 15, 64 + 84, width - 30, 44 });
    m_btnOk->setName("btnOk");
    m_btnOk->setTitle("确定", kit::ControlState::Normal);
    m_btnOk->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    GreenButton::style(*m_btnOk);
    m_btnOk->addTarget(std::static_pointer_cast<InputPayMoneyViewController>(self()),
        &InputPayMoneyViewController::btnClick, kit::ControlEvent::TouchUpInside);
    root->addSubview(m_btnOk);
    m_tvMoney->becomeFirstResponder();
}

bool InputPayMoneyViewController::textFieldShouldChangeCharactersInRange(
    kit::TextField& textField, kit::TextRange range, const std::string& replacement)
{
    return AmountFilter::shouldChangeCharacters(
        textField.text(), range, replacement, AmountFilter::Variant::Standard);
}

void InputPayMoneyViewController::btnClick()
{
    std::string text = m_tvMoney->text();
    double amount = text.empty() ? 0 : std::max(0.0, foundation::doubleValue(text));
    if (auto delegate = m_delegate.lock())
        delegate->inputPayMoneyCallback(m_type, amount);
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}
