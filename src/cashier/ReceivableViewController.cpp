#include "cashier/ReceivableViewController.h"

#include "api/Constants.h"
#include "app/AppDelegate.h"
#include "cashier/ChoosePayWayViewController.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/BarButtonItem.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Screen.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* keyHighlightHex = "3AAA24";
constexpr double navigationBarHeight = 64;
constexpr double tabBarHeight = 49;

std::shared_ptr<kit::Label> makeLabel(const char* name, double fontSize, graphics::TextAlignment alignment)
{
    auto label = std::make_shared<kit::Label>();
    label->setName(name);
    label->setFont(graphics::Font::systemFont(fontSize));
    label->setTextColor(graphics::Color::white());
    label->setTextAlignment(alignment);
    return label;
}

} // namespace

std::shared_ptr<kit::Button> ReceivableViewController::makeKey(const char* name, const char* title)
{
    auto key = std::make_shared<kit::Button>(kit::ButtonType::Custom);
    key->setName(name);
    if (title)
        key->setTitle(std::string(title), kit::ControlState::Normal);
    key->titleLabel()->setFont(graphics::Font::systemFont(28));
    key->setBackgroundColor(graphics::Color::white());
    key->layer().setBorderWidth(0.5);
    key->layer().setBorderColor(ColorUtil::getUIColorByHex("E4E5E4"));
    m_keypad->addSubview(key);
    return key;
}

// Stands in for the interface file: the outlets exist before viewDidLoad,
// so the layout hooks can run first, as the base set-up wants.
void ReceivableViewController::loadView()
{
    auto bounds = kit::Screen::mainScreen().bounds();
    auto root = std::make_shared<kit::View>(bounds);
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F4F4F4"));
    setView(root);
    double width = bounds.width();

    m_moneyContainer = std::make_shared<kit::View>(
        graphics::Rect { 0, navigationBarHeight, width, bounds.height() * moneyContainerShare });
    m_moneyContainer->setName("moneyContainer");
    m_moneyContainer->setBackgroundColor(ColorUtil::getUIColorByHex("3AAA24"));
    m_moneyContainer->setClipsToBounds(true);
    root->addSubview(m_moneyContainer);

    m_labelUserName = makeLabel("labelUserName", 14, graphics::TextAlignment::Left);
    m_labelShopName = makeLabel("labelShopName", 14, graphics::TextAlignment::Right);
    m_labelMsg = makeLabel("labelMsg", 13, graphics::TextAlignment::Center);
    m_labelMsg->setText("请先设置收款key并登录");
    m_labelInputConfirm = makeLabel("labelInputConfirm", 22, graphics::TextAlignment::Center);
    m_labelInputConfirm->setText("请输入收款金额");
    for (auto& label : { m_labelUserName, m_labelShopName, m_labelMsg, m_labelInputConfirm })
        m_moneyContainer->addSubview(label);

    m_keypad = std::make_shared<kit::View>();
    m_keypad->setName("keypad");
    root->addSubview(m_keypad);
    static constexpr const char* digitNames[10] = { "btnOne", "btnTwo", "btnThree", "btnFour", "btnFive",
        "btnSix", "btnSeven", "btnAight", "btnNine", "btnZero" };
    static constexpr const char* digitTitles[10] = { "1", "2", "3", "4", "5", "6", "7", "8", "9", "0" };
    for (int i = 0; i < 10; ++i)
        m_digitKeys[i] = makeKey(digitNames[i], digitTitles[i]);
    m_btnTwoZero = makeKey("btnTwoZero", doubleZeroKey);
    m_btnPoint = makeKey("btnPoint", pointKey);
    m_btnDelete = makeKey("btnDelete", nullptr);
    m_btnOK = makeKey("btnOK", "确定");
    screenAdapter();
}

void ReceivableViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    screenAdapter();
}

void ReceivableViewController::initViews()
{
    auto item = navigationItem();
    item->setTitleView(std::make_shared<kit::ImageView>(graphics::Image::named("IndexLogo")));
    auto billButton = std::make_shared<kit::Button>(kit::ButtonType::Custom, graphics::Rect { 0, 0, 60, 44 });
    billButton->setName("btnBillList");
    billButton->setImage(graphics::Image::named("IconBillList"), kit::ControlState::Normal);
    auto billOn = graphics::Image::named("IconBillListOn");
    billButton->setImage(billOn, kit::ControlState::Highlighted);
    billButton->setImage(billOn, kit::ControlState::Selected);
    billButton->addTarget(
        selfReceivable(), &ReceivableViewController::toBillUI, kit::ControlEvent::TouchUpInside);
    item->setRightBarButtonItems(
        { kit::BarButtonItem::fixedSpace(-25), std::make_shared<kit::BarButtonItem>(billButton) });

    for (auto& key : m_digitKeys)
        setBtnStyle(*key);
    setBtnStyle(*m_btnPoint);
    setBtnStyle(*m_btnTwoZero);
    setBtnStyle(*m_btnOK);
    m_btnDelete->setImage(graphics::Image::named("DeleteInput"), kit::ControlState::Normal);
    m_btnDelete->setImage(graphics::Image::named("DeleteInputOn"), kit::ControlState::Highlighted);
    m_btnDelete->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex(keyHighlightHex)),
        kit::ControlState::Highlighted);

    auto self = selfReceivable();
    for (auto& key : m_digitKeys)
        key->addTarget(self, &ReceivableViewController::btnClick, kit::ControlEvent::TouchUpInside);
    for (auto& key : { m_btnTwoZero, m_btnPoint, m_btnDelete, m_btnOK })
        key->addTarget(self, &ReceivableViewController::btnClick, kit::ControlEvent::TouchUpInside);

    m_labelMoneyFLag = makeLabel("labelMoneyFLag", moneyFontSize, graphics::TextAlignment::Left);
    m_labelMoneyFLag->setText("￥");
    m_labelMoneyFLag->setHidden(true);
    m_labelMoney = makeLabel("labelMoney", moneyFontSize, graphics::TextAlignment::Left);
    m_labelMoney->setText("");
    m_labelMoney->setHidden(true);
    setMoneyLabelPosition("");
    m_moneyContainer->addSubview(m_labelMoneyFLag);
    m_moneyContainer->addSubview(m_labelMoney);
}

void ReceivableViewController::screenAdapter()
{
    if (!m_moneyContainer)
        return;
    auto bounds = view()->bounds();
    double width = bounds.width();
    double moneyHeight = bounds.height() * moneyContainerShare;
    m_moneyContainer->setFrame({ 0, navigationBarHeight, width, moneyHeight });
    m_labelUserName->setFrame({ 15, 8, width / 2 - 15, 20 });
    m_labelShopName->setFrame({ width / 2, 8, width / 2 - 15, 20 });
    m_labelMsg->setFrame({ 0, moneyHeight - 28, width, 20 });
    m_labelInputConfirm->setFrame({ 0, (moneyHeight - moneyLineHeight) / 2, width, moneyLineHeight });

    // Four columns; OK fills the last column below delete.
    double top = navigationBarHeight + moneyHeight;
    double keypadHeight = std::max(0.0, bounds.height() - tabBarHeight - top);
    m_keypad->setFrame({ 0, top, width, keypadHeight });
    double keyWidth = width / 4;
    double keyHeight = keypadHeight / 4;
    auto place = [&](const std::shared_ptr<kit::Button>& key, int column, int row, int rows = 1) {
        key->setFrame({ column * keyWidth, row * keyHeight, keyWidth, keyHeight * rows });
    };
    for (int i = 0; i < 9; ++i)
        place(m_digitKeys[i], i % 3, i / 3);
    place(m_digitKeys[9], 0, 3);
    place(m_btnTwoZero, 1, 3);
    place(m_btnPoint, 2, 3);
    place(m_btnDelete, 3, 0);
    place(m_btnOK, 3, 1, 3);
}

void ReceivableViewController::viewWillAppear(bool animated)
{
    // Deliberately not the base step: the collect tab is never recorded as
    // the current screen and leaves the bar as it is.
    kit::ViewController::viewWillAppear(animated);
    auto appDelegate = AppDelegate::shared();
    auto& defaults = userDefaults();
    auto key = defaults.stringForKey(KEY_RECEIVABLE);
    if (key && !key->empty()) {
        m_labelUserName->setText(defaults.stringForKey(USER_NAME));
        m_labelMsg->setHidden(true);
        m_labelShopName->setText(defaults.stringForKey(SHOP_NAME));
    }
    // The flag stays set until a key is taken, so every appearance until
    // then starts from an empty amount again.
    if (checkUserSessionIsEnable() && appDelegate && appDelegate->isPaySuccessBack()) {
        m_labelInputConfirm->setHidden(false);
        showAmount(false);
        m_labelMoney->setText("");
    }
}

void ReceivableViewController::showAmount(bool shown)
{
    m_labelMoneyFLag->setHidden(!shown);
    m_labelMoney->setHidden(!shown);
}

void ReceivableViewController::setBtnStyle(kit::Button& button)
{
    button.setTitleColor(graphics::Color::black(), kit::ControlState::Normal);
    button.setTitleColor(graphics::Color::white(), kit::ControlState::Highlighted);
    button.setBackgroundImage(ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex(keyHighlightHex)),
        kit::ControlState::Highlighted);
}

void ReceivableViewController::setMoneyLabelPosition(const std::string& text)
{
    auto frame = view()->frame();
    double width = frame.width();
    double y = std::trunc((frame.height() * moneyContainerShare - moneyLineHeight) / 2);
    auto measurer = graphics::TextMeasurer::shared();
    if (!measurer)
        return;
    auto font = graphics::Font::systemFont(moneyFontSize);
    double w = measurer->boundingSize(text, font, { width, 100 }).width;
    double x = (width - w) / 2;
    // The sign's box is 25 points, which a full-width sign of this size
    // overflows in our font; it then grows to the left, so it is drawn
    // whole and still ends 5 points before the amount.
    double signWidth = std::max(25.0, measurer->sizeOfText(m_labelMoneyFLag->text(), font).width);
    m_labelMoneyFLag->setFrame({ x + 10 - signWidth, y + 2, signWidth, moneyLineHeight });
    m_labelMoney->setFrame({ x + 15, y, w, moneyLineHeight });
}

bool ReceivableViewController::refusesKey(const std::string& amount, const std::string& key) const
{
    auto point = amount.find('.');
    bool hasPoint = point != std::string::npos;
    if (key == pointKey && m_labelMoney->isHidden())
        return true;
    if (key == pointKey && hasPoint)
        return true;
    if (key == doubleZeroKey && amount.empty())
        return true;
    // Two decimals at most; "00" only straight after the point.
    if (hasPoint && amount.size() + key.size() - point - 1 > 2)
        return true;
    // Five digits at most before the point.
    if (!hasPoint && amount.size() == 5 && key != pointKey)
        return true;
    if (!hasPoint && amount.size() == 4 && key == doubleZeroKey)
        return true;
    return false;
}

void ReceivableViewController::btnClick(kit::Control& sender)
{
    if (!checkIsLoginAndKeyExists())
        return;
    if (&sender == m_btnDelete.get()) {
        deleteLastCharacter();
        return;
    }
    if (&sender == m_btnOK.get()) {
        confirmAmount();
        return;
    }
    auto* button = dynamic_cast<kit::Button*>(&sender);
    if (!button)
        return;
    std::string key = button->titleForState(kit::ControlState::Normal).value_or("");
    std::string amount = m_labelMoney->text();
    if (key.empty() || refusesKey(amount, key))
        return;
    std::string next = amount + key;
    setMoneyLabelPosition(next);
    m_labelMoney->setText(next);
    m_labelInputConfirm->setHidden(true);
    showAmount(true);
    if (auto appDelegate = AppDelegate::shared(); appDelegate && appDelegate->isPaySuccessBack())
        appDelegate->setIsPaySuccessBack(false);
}

void ReceivableViewController::deleteLastCharacter()
{
    std::string amount = m_labelMoney->text();
    if (amount.empty())
        return;
    // Only the keys' ASCII titles ever reach the amount, so one byte is one character.
    std::string shorter = amount.substr(0, amount.size() - 1);
    setMoneyLabelPosition(shorter);
    m_labelMoney->setText(shorter);
    if (amount.size() == 1) {
        m_labelInputConfirm->setHidden(false);
        showAmount(false);
    }
}

void ReceivableViewController::confirmAmount()
{
    const std::string& amount = m_labelMoney->text();
    if (amount.empty()) {
        PromptUtil::toast("请输入付款金额！");
        return;
    }
    double money = foundation::doubleValue(amount);
    if (!(money > 0)) {
        PromptUtil::toast("付款金额必须大于0！");
        return;
    }
    auto payWay = mainStoryboard() ? mainStoryboard()->instantiate<ChoosePayWayViewController>(
                      std::string(ChoosePayWayViewController::nibName))
                                   : nullptr;
    auto navigation = navigationController();
    if (!payWay || !navigation)
        return;
    payWay->setMoney(money);
    payWay->setHidesBottomBarWhenPushed(true);
    navigation->pushViewController(payWay, true);
}

void ReceivableViewController::toBillUI()
{
    if (!checkIsLoginAndKeyExists())
        return;
    auto bill = mainStoryboard() ? mainStoryboard()->instantiate("BillViewController") : nullptr;
    auto navigation = navigationController();
    if (!bill || !navigation)
        return;
    bill->setHidesBottomBarWhenPushed(true);
    navigation->pushViewController(bill, true);
}
