#include "ui/SettingViewController.h"

#include "api/Constants.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Screen.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"
#include "ui/ShopOwnerCheck.h"
#include "ui/UpdatePwdViewController.h"

namespace {

constexpr double navigationBarHeight = 64;
constexpr double rowHeight = 46;
constexpr double labelMargin = 20;
constexpr double nickNameTop = 84;

std::shared_ptr<kit::Label> makeLabel(const char* name, const graphics::Font& font)
{
    auto label = std::make_shared<kit::Label>();
    label->setName(name);
    label->setFont(font);
    label->setTextColor(graphics::Color::white());
    label->setBackgroundColor(graphics::Color::clear());
    return label;
}

std::shared_ptr<kit::Button> makeRowButton(const char* name, const char* title)
{
    auto button = std::make_shared<kit::Button>(kit::ButtonType::Custom);
    button->setName(name);
    button->setTitle(title, kit::ControlState::Normal);
    button->setTitleColor(graphics::Color::black(), kit::ControlState::Normal);
    button->titleLabel()->setFont(graphics::Font::systemFont(16));
    button->setBackgroundColor(graphics::Color::white());
    return button;
}

} // namespace

std::string& SettingViewController::rememberedOwnerName()
{
    static std::string name;
    return name;
}

// Stands in for the storyboard scene: the outlets exist before viewDidLoad.
void SettingViewController::loadView()
{
    auto bounds = kit::Screen::mainScreen().bounds();
    auto root = std::make_shared<kit::View>(bounds);
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F4F4F4"));
    setView(root);

    m_topView = std::make_shared<kit::View>();
    m_topView->setName("topView");
    m_topView->setClipsToBounds(true);
    m_topView->setBackgroundColor(ColorUtil::getUIColorByHex("3AAA24"));
    root->addSubview(m_topView);
    m_topBackground = std::make_shared<kit::ImageView>();
    m_topBackground->setContentMode(kit::ContentMode::ScaleAspectFill);
    m_topView->addSubview(m_topBackground);

    m_labelUserNameLeft = makeLabel("labelUserNameLeft", graphics::Font::systemFont(16));
    m_labelUserNameLeft->setText("当前账号：");
    m_labelUserName = makeLabel("labelUserName", graphics::Font::boldSystemFont(18));
    m_labelShopName = makeLabel("labelShopName", graphics::Font::systemFont(15));
    m_labelNickName = makeLabel("labelNickName", graphics::Font::systemFont(14));
    m_labelNickName->setNumberOfLines(0);
    m_labelNickName->setLineBreakMode(kit::LineBreakMode::WordWrap);
    for (auto& label : { m_labelUserNameLeft, m_labelUserName, m_labelShopName, m_labelNickName })
        m_topView->addSubview(label);

    m_btnSetKey = makeRowButton("btnSetKey", "设置收款key");
    m_btnSetShopKey = makeRowButton("btnSetShopKey", "设置商家key");
    m_btnUpdatePwd = makeRowButton("btnUpdatePwd", "修改密码");
    m_btnLogout = std::make_shared<kit::Button>(kit::ButtonType::Custom);
    m_btnLogout->setName("btnLogout");
    m_btnLogout->setTitle("退出登录", kit::ControlState::Normal);
    m_btnLogout->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    m_btnLogout->titleLabel()->setFont(graphics::Font::systemFont(18));
    m_btnLogout->layer().setCornerRadius(5);
    m_btnLogout->setClipsToBounds(true);
    for (auto& button : { m_btnSetKey, m_btnSetShopKey, m_btnUpdatePwd, m_btnLogout })
        root->addSubview(button);
    screenAdapter();
}

void SettingViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    screenAdapter();
}

void SettingViewController::initViews()
{
    navigationItem()->setTitleView(std::make_shared<kit::ImageView>(graphics::Image::named("IndexLogo")));
    setWhiteBtnStyle(*m_btnSetKey);
    setWhiteBtnStyle(*m_btnSetShopKey);
    setWhiteBtnStyle(*m_btnUpdatePwd);
    m_btnLogout->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2ca612")), kit::ControlState::Normal);
    m_btnLogout->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2b861b")), kit::ControlState::Highlighted);

    auto self = selfSetting();
    m_btnSetKey->addTarget(self, &SettingViewController::validateShopowner, kit::ControlEvent::TouchUpInside);
    m_btnSetShopKey->addTarget(
        self, &SettingViewController::setMemberKeyTapped, kit::ControlEvent::TouchUpInside);
    m_btnUpdatePwd->addTarget(self, &SettingViewController::updatePwd, kit::ControlEvent::TouchUpInside);
    m_btnLogout->addTarget(self, &SettingViewController::logout, kit::ControlEvent::TouchUpInside);
}

void SettingViewController::screenAdapter()
{
    // The base set-up calls this before the views exist.
    if (!m_topView)
        return;
    auto bounds = view()->bounds();
    double const width = bounds.width();
    double const topHeight = bounds.height() * topViewShare;
    m_topView->setFrame({ 0, navigationBarHeight, width, topHeight });
    m_topBackground->setFrame({ 0, 0, width, topHeight });
    m_topBackground->setImage(graphics::Image::named("BgVipDetail"));

    m_labelUserNameLeft->setFrame({ labelMargin, 24, 90, 24 });
    m_labelUserName->setFrame({ labelMargin + 90, 24, width - 2 * labelMargin - 90, 24 });
    m_labelShopName->setFrame({ labelMargin, 56, width - 2 * labelMargin, 22 });
    double const nickWidth = width - 2 * labelMargin;
    auto const nickSize = m_labelNickName->sizeThatFits({ nickWidth, topHeight });
    m_labelNickName->setFrame(
        { labelMargin, nickNameTop, nickWidth, std::min(nickSize.height, topHeight - nickNameTop) });

    double y = navigationBarHeight + topHeight + 15;
    m_btnSetKey->setFrame({ 0, y, width, rowHeight });
    m_btnSetShopKey->setFrame({ 0, y + rowHeight + 1, width, rowHeight });
    m_btnUpdatePwd->setFrame({ 0, y + 2 * (rowHeight + 1) + 15, width, rowHeight });
    m_btnLogout->setFrame({ labelMargin, y + 3 * (rowHeight + 1) + 45, width - 2 * labelMargin, 44 });
}

void SettingViewController::viewWillAppear(bool animated)
{
    // Deliberately not the base step: this tab is never recorded as the
    // current screen and leaves the bar as it is.
    kit::ViewController::viewWillAppear(animated);
    if (checkUserSessionIsEnable()) {
        auto& defaults = userDefaults();
        m_labelUserName->setText(defaults.stringForKey(USER_NAME));
        m_labelShopName->setText(defaults.stringForKey(SHOP_NAME));
        m_labelNickName->setText(defaults.stringForKey(NICK_NAME));
        rememberedOwnerName().clear();
    } else {
        m_labelUserName->setText("");
        m_labelShopName->setText("");
        m_labelNickName->setText("");
    }
    screenAdapter();
}

void SettingViewController::validateShopowner()
{
    if (!checkIsLoginAndKeyExists())
        return;
    m_validateShopownerAlertView
        = kit::AlertView::create("验证店长权限", "", selfSetting(), std::string("确定"), { "取消" });
    m_validateShopownerAlertView->setAlertViewStyle(kit::AlertViewStyle::LoginAndPasswordInput);
    auto nameField = m_validateShopownerAlertView->textFieldAtIndex(0);
    nameField->setPlaceholder("请输入用户名");
    nameField->setText(rememberedOwnerName());
    m_validateShopownerAlertView->textFieldAtIndex(1)->setPlaceholder("请输入密码");
    m_validateShopownerAlertView->show();
}

void SettingViewController::setMemberKeyTapped()
{
    setMemberKey();
}

void SettingViewController::setKey()
{
    if (!m_setKeyAlertView)
        m_setKeyAlertView = makeKeyAlert("设置收款key", "请输入收款key", "请输入收款加密key");
    m_setKeyAlertView->show();
}

bool SettingViewController::isCollectionKeyAlert(const kit::AlertView& alert) const
{
    return BaseViewController::isCollectionKeyAlert(alert) || &alert == m_setKeyAlertView.get();
}

void SettingViewController::updatePwd()
{
    if (!checkIsLoginAndKeyExists())
        return;
    auto navigation = navigationController();
    if (!navigation)
        return;
    std::shared_ptr<UpdatePwdViewController> screen;
    if (auto* storyboard = mainStoryboard())
        screen
            = storyboard->instantiate<UpdatePwdViewController>(std::string(UpdatePwdViewController::nibName));
    if (!screen)
        screen = std::make_shared<UpdatePwdViewController>();
    screen->setHidesBottomBarWhenPushed(true);
    navigation->pushViewController(screen, true);
}

void SettingViewController::logout()
{
    if (!checkIsLoginAndKeyExists())
        return;
    m_logoutAlertView = kit::AlertView::create(
        "您确认要退出当前账号吗？", "", selfSetting(), std::string("确定"), { "取消" });
    m_logoutAlertView->show();
}

void SettingViewController::alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex)
{
    BaseViewController::alertViewClickedButtonAtIndex(alertView, buttonIndex);
    if (&alertView == m_validateShopownerAlertView.get()) {
        shopOwnerClicked(alertView, buttonIndex);
    } else if (&alertView == m_logoutAlertView.get() && buttonIndex == 0) {
        auto& defaults = userDefaults();
        defaults.setObject(std::string(), USER_NAME);
        (void)defaults.synchronize();
        toLogin();
    }
}

void SettingViewController::shopOwnerClicked(kit::AlertView& alert, int buttonIndex)
{
    rememberedOwnerName() = foundation::trimWhitespaceAndNewlines(alert.textFieldAtIndex(0)->text());
    for (const auto& field : alert.textFields())
        field->resignFirstResponder();
    if (buttonIndex != 0)
        return;
    auto credentials = ShopOwnerCheck::typedCredentials(alert);
    if (!credentials)
        return;
    std::weak_ptr<SettingViewController> weak = selfSetting();
    std::weak_ptr<kit::AlertView> weakAlert = alert.shared_from_this();
    NetUtilSign::doPost(URLConfig::CHECK_STAFF, std::nullopt, NetUtilSign::receivableKeyFlag,
        ShopOwnerCheck::parameters(*credentials), [weak, weakAlert](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->shopOwnerReplied(weakAlert, reply);
        });
}

void SettingViewController::shopOwnerReplied(
    const std::weak_ptr<kit::AlertView>& weakAlert, const std::optional<std::string>& reply)
{
    // A right password alone is not enough: the collection keys decide whose
    // account the money goes to, so only a shop owner may replace them.
    if (!ShopOwnerCheck::isShopOwner(reply)) {
        PromptUtil::toast(std::string(ShopOwnerCheck::refusedMessage));
        return;
    }
    if (auto alert = weakAlert.lock()) {
        for (const auto& field : alert->textFields())
            field->setText("");
    }
    PromptUtil::toast(std::string(ShopOwnerCheck::acceptedMessage));
    setKey();
}
