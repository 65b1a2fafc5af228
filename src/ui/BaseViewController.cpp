#include "ui/BaseViewController.h"

#include "api/Constants.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/BarButtonItem.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationBar.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Registry.h"
#include "ui/ColorUtil.h"
#include "ui/LoginViewController.h"
#include "ui/PromptUtil.h"

namespace {

BaseViewController::ScannerFactory& scannerFactory()
{
    static BaseViewController::ScannerFactory factory;
    return factory;
}

BaseViewController::AppearanceObserver& appearanceObserver()
{
    static BaseViewController::AppearanceObserver observer;
    return observer;
}

std::string fieldText(const kit::AlertView& alert, int index)
{
    auto field = alert.textFieldAtIndex(index);
    return field ? foundation::trimWhitespaceAndNewlines(field->text()) : std::string();
}

} // namespace

void BaseViewController::setScannerFactory(ScannerFactory factory)
{
    scannerFactory() = std::move(factory);
}

void BaseViewController::setAppearanceObserver(AppearanceObserver observer)
{
    appearanceObserver() = std::move(observer);
}

void BaseViewController::viewDidLoad()
{
    kit::ViewController::viewDidLoad();
    screenAdapter();
    m_userDefaults = &foundation::UserDefaults::standard();
    m_mainStoryboard = &kit::Registry::shared();
}

void BaseViewController::viewWillAppear(bool animated)
{
    kit::ViewController::viewWillAppear(animated);
    // Copied first: the observer may replace itself while it runs.
    if (auto observer = appearanceObserver())
        observer(self());
    if (auto navigation = navigationController()) {
        auto bar = navigation->navigationBar();
        bar->setBackgroundImage(ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex(barColorHex)));
        bar->setBarStyle(kit::BarStyle::Default);
    }
}

void BaseViewController::initNavigatonBackButton()
{
    auto button = kit::Button::buttonWithType(kit::ButtonType::Custom);
    button->setTitle("返回", kit::ControlState::Normal);
    button->titleLabel()->setFont(graphics::Font::systemFont(16));
    button->setFrame({ 0, 0, 60, 44 });
    button->addTarget(self(), &BaseViewController::back, kit::ControlEvent::TouchUpInside);
    button->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    button->setTitleColor(ColorUtil::getUIColorByHex("DEDEDE"), kit::ControlState::Highlighted);
    button->setImage(graphics::Image::named("IconBack"), kit::ControlState::Normal);
    button->setImage(graphics::Image::named("IconBackOn"), kit::ControlState::Highlighted);
    button->setImageEdgeInsets({ 0, -8, 0, 0 });
    navigationItem()->setLeftBarButtonItems(
        { kit::BarButtonItem::fixedSpace(-10), std::make_shared<kit::BarButtonItem>(button) });
}

void BaseViewController::back()
{
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

foundation::UserDefaults& BaseViewController::userDefaults() const
{
    return m_userDefaults ? *m_userDefaults : foundation::UserDefaults::standard();
}

bool BaseViewController::isSet(std::string_view key) const
{
    auto value = userDefaults().stringForKey(key);
    return value && !value->empty();
}

bool BaseViewController::checkUserSessionIsEnable() const
{
    return isSet(KEY_RECEIVABLE) && isSet(USER_NAME);
}

bool BaseViewController::checkIsLoginAndKeyExists()
{
    if (!isSet(KEY_RECEIVABLE)) {
        setReceivableKey();
        return false;
    }
    if (!isSet(USER_NAME)) {
        toLogin();
        return false;
    }
    return true;
}

bool BaseViewController::checkUserIsLogin() const
{
    return isSet(USER_NAME);
}

bool BaseViewController::checkMemberKeyExists()
{
    if (isSet(KEY_MEMBER))
        return true;
    setMemberKey();
    return false;
}

bool BaseViewController::textFieldShouldReturn(kit::TextField& textField)
{
    textField.resignFirstResponder();
    return true;
}

void BaseViewController::toScanUI()
{
    auto& factory = scannerFactory();
    auto navigation = navigationController();
    if (!factory || !navigation)
        return;
    auto scanner = factory(std::static_pointer_cast<ScanViewControllerDelegate>(self()));
    if (!scanner)
        return;
    scanner->setHidesBottomBarWhenPushed(true);
    navigation->pushViewController(scanner, true);
}

void BaseViewController::scanCallback(const std::string& code)
{
    setScanCode(code);
}

void BaseViewController::toLogin()
{
    PromptUtil::toast("您还未登录,请先登录！");
    pushLogin();
}

void BaseViewController::pushLogin()
{
    auto navigation = navigationController();
    if (!navigation)
        return;
    auto login = std::make_shared<LoginViewController>();
    login->setHidesBottomBarWhenPushed(true);
    navigation->pushViewController(login, true);
}

void BaseViewController::setWhiteBtnStyle(kit::Button& button)
{
    button.setBackgroundImage(
        ColorUtil::getUIImageByUIColor(graphics::Color::white()), kit::ControlState::Normal);
    button.setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("E4E5E4")), kit::ControlState::Highlighted);
}

std::shared_ptr<kit::AlertView> BaseViewController::makeKeyAlert(
    const std::string& title, const std::string& keyPlaceholder, const std::string& encryptPlaceholder)
{
    auto alert = kit::AlertView::create(title, "", self(), std::string("确定"), { "取消" });
    alert->setAlertViewStyle(kit::AlertViewStyle::LoginAndPasswordInput);
    alert->textFieldAtIndex(0)->setPlaceholder(keyPlaceholder);
    alert->textFieldAtIndex(1)->setPlaceholder(encryptPlaceholder);
    return alert;
}

void BaseViewController::setReceivableKey()
{
    // Kept and shown again, so a person who mistyped finds the text still there.
    if (!m_alertViewRecivKey)
        m_alertViewRecivKey = makeKeyAlert("设置收款key", "请输入收款key", "请输入收款加密key");
    m_alertViewRecivKey->show();
}

void BaseViewController::setMemberKey()
{
    if (!m_alertViewMemberKey)
        m_alertViewMemberKey = makeKeyAlert("设置商家key", "请输入商家key", "请输入商家加密key");
    m_alertViewMemberKey->show();
}

void BaseViewController::alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex)
{
    bool isCollection = isCollectionKeyAlert(alertView);
    bool isMember = &alertView == m_alertViewMemberKey.get();
    if (!isCollection && !isMember)
        return;
    auto key = fieldText(alertView, 0);
    auto encryptKey = fieldText(alertView, 1);
    if (buttonIndex != 0)
        return;
    if (key.empty())
        PromptUtil::toast("key不可为空！");
    if (encryptKey.empty())
        PromptUtil::toast("加密key不可为空！");
    if (key.empty() || encryptKey.empty()) {
        alertView.show();
        return;
    }
    auto& defaults = userDefaults();
    if (isCollection) {
        defaults.setObject(key, KEY_RECEIVABLE);
        defaults.setObject(encryptKey, KEY_RECEIVABLE_ENCRYPT);
        // A new collection key belongs to a new merchant: whoever was signed in is out.
        defaults.setObject(std::string(), USER_NAME);
        (void)defaults.synchronize();
        if (!dynamic_cast<LoginViewController*>(this))
            pushLogin();
    } else {
        defaults.setObject(key, KEY_MEMBER);
        defaults.setObject(encryptKey, KEY_MEMBER_ENCRYPT);
        (void)defaults.synchronize();
        memberKeyDidSave();
    }
    PromptUtil::toast("设置成功！");
}
