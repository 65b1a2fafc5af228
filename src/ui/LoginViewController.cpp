#include "ui/LoginViewController.h"

#include "api/Constants.h"
#include "api/IphoneDevicesUtils.h"
#include "api/JsonUtil.h"
#include "api/Md5Util.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "model/LoginEntity.h"
#include "model/UserInfoEntity.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Keyboard.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"
#include "ui/UICheckBox.h"

namespace {

constexpr double fieldX = 30;
constexpr double fieldWidth = 260;
constexpr double fieldHeight = 44;
constexpr double iconSize = 36;

std::shared_ptr<kit::TextField> makeField(const std::string& name, const std::string& placeholder, double y,
    const std::shared_ptr<kit::ImageView>& icon)
{
    auto field = std::make_shared<kit::TextField>(graphics::Rect { fieldX, y, fieldWidth, fieldHeight });
    field->setName(name);
    field->setPlaceholder(placeholder);
    field->setBackgroundColor(graphics::Color::white());
    field->setReturnKeyType(kit::ReturnKeyType::Default);
    field->setLeftView(icon);
    field->setLeftViewMode(kit::TextFieldViewMode::Always);
    field->layer().setCornerRadius(8);
    return field;
}

} // namespace

void LoginViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
}

void LoginViewController::initViews()
{
    setTitle("登录");
    auto root = view();
    auto size = root->bounds().size;

    auto background = std::make_shared<kit::ImageView>(graphics::Rect { 0, 0, size.width, size.height });
    background->setImage(graphics::Image::named("BgLogin"));
    background->setBackgroundColor(ColorUtil::getUIColorByHex("3AAA24"));
    root->addSubview(background);

    auto logo = graphics::Image::named("IndexLogo");
    graphics::Size logoSize = logo ? logo->size() : graphics::Size { 120, 60 };
    m_ivLogo = std::make_shared<kit::ImageView>(
        graphics::Rect { (size.width - logoSize.width) / 2, 0, logoSize.width, logoSize.height });
    m_ivLogo->setName("ivLogo");
    m_ivLogo->setImage(logo);
    root->addSubview(m_ivLogo);

    m_imgUsername = graphics::Image::named("IconLoginUser");
    m_imgUsernameOn = graphics::Image::named("IconLoginUserOn");
    m_imgPwd = graphics::Image::named("IconLoginPwd");
    m_imgPwdOn = graphics::Image::named("IconLoginPwdOn");
    m_ivUserName = std::make_shared<kit::ImageView>(graphics::Rect { 0, 0, iconSize, iconSize });
    m_ivUserName->setName("ivUserName");
    m_ivUserName->setContentMode(kit::ContentMode::Center);
    m_ivUserName->setImage(m_imgUsername);
    m_ivPwd = std::make_shared<kit::ImageView>(graphics::Rect { 0, 0, iconSize, iconSize });
    m_ivPwd->setName("ivPwd");
    m_ivPwd->setContentMode(kit::ContentMode::Center);
    m_ivPwd->setImage(m_imgPwd);

    m_tvUserName = makeField("tvUserName", "用户名", 210, m_ivUserName);
    m_tvUserName->setKeyboardType(kit::KeyboardType::AsciiCapable);
    m_tvUserName->setDelegate(selfLogin());
    root->addSubview(m_tvUserName);
    m_tvPassword = makeField("tvPassword", "密码", 266, m_ivPwd);
    m_tvPassword->setSecureTextEntry(true);
    m_tvPassword->setDelegate(selfLogin());
    root->addSubview(m_tvPassword);

    m_cb = std::make_shared<UICheckBox>("记住登录账号", graphics::Rect { 20, 318, 130, 30 });
    m_cb->setName("cb");
    m_cb->setImgOn(graphics::Image::named("IconLoginCheck2On"));
    m_cb->setImgOff(graphics::Image::named("IconLoginCheck2"));
    m_cb->setChecked(true);
    m_cb->setDelegate(selfLogin());
    root->addSubview(m_cb);

    m_btnLogin = std::make_shared<kit::Button>(
        kit::ButtonType::Custom, graphics::Rect { fieldX, 366, fieldWidth, fieldHeight });
    m_btnLogin->setName("btnLogin");
    m_btnLogin->setTitle("登录", kit::ControlState::Normal);
    m_btnLogin->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    m_btnLogin->setBackgroundColor(graphics::Color::clear());
    m_btnLogin->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("247C11")), kit::ControlState::Highlighted);
    m_btnLogin->layer().setCornerRadius(5);
    m_btnLogin->layer().setBorderWidth(0.5);
    m_btnLogin->layer().setBorderColor(graphics::Color::white());
    m_btnLogin->addTarget(selfLogin(), &LoginViewController::login, kit::ControlEvent::TouchUpInside);
    m_btnLogin->addTarget(selfLogin(), &LoginViewController::btnLoginUpDown, kit::ControlEvent::TouchDown);
    m_btnLogin->addTarget(
        selfLogin(), &LoginViewController::btnLoginUpOutside, kit::ControlEvent::TouchUpOutside);
    root->addSubview(m_btnLogin);

    if (auto remembered = userDefaults().stringForKey(REMEBER_USERNAME); remembered && !remembered->empty())
        m_tvUserName->setText(*remembered);

    std::weak_ptr<LoginViewController> weak = selfLogin();
    auto& center = foundation::NotificationCenter::defaultCenter();
    m_keyboardWillShow
        = center.addObserverForName(kit::Keyboard::willShowNotification, nullptr, [weak](const auto&) {
              if (auto strong = weak.lock())
                  strong->keyboardWillShow();
          });
    m_keyboardWillHide
        = center.addObserverForName(kit::Keyboard::willHideNotification, nullptr, [weak](const auto&) {
              if (auto strong = weak.lock())
                  strong->keyboardWillHide();
          });
}

void LoginViewController::screenAdapter()
{
    BaseViewController::screenAdapter();
    // The base set-up calls this before the views exist.
    if (!m_ivLogo)
        return;
    auto frame = m_ivLogo->frame();
    frame.origin.y = view()->bounds().size.height * 0.15;
    m_ivLogo->setFrame(frame);
}

void LoginViewController::keyboardWillShow()
{
    // Only the 3.5-inch screen is too short for the form above the keyboard.
    if (!IphoneDevicesUtils::isIphone4Or4s())
        return;
    auto frame = view()->frame();
    frame.origin.y = -80;
    view()->setFrame(frame);
}

void LoginViewController::keyboardWillHide()
{
    if (!IphoneDevicesUtils::isIphone4Or4s())
        return;
    auto frame = view()->frame();
    frame.origin.y = 0;
    view()->setFrame(frame);
}

void LoginViewController::textFieldDidBeginEditing(kit::TextField& textField)
{
    showEditing(textField, true);
}

void LoginViewController::textFieldDidEndEditing(kit::TextField& textField)
{
    showEditing(textField, false);
}

void LoginViewController::showEditing(kit::TextField& textField, bool editing)
{
    if (&textField == m_tvUserName.get())
        m_ivUserName->setImage(editing ? m_imgUsernameOn : m_imgUsername);
    else if (&textField == m_tvPassword.get())
        m_ivPwd->setImage(editing ? m_imgPwdOn : m_imgPwd);
    textField.layer().setBorderWidth(1);
    textField.layer().setCornerRadius(8);
    textField.layer().setBorderColor(
        editing ? graphics::Color::black() : ColorUtil::getUIColorByHex("CDCDCD"));
}

void LoginViewController::touchesEnded(const kit::Touch&)
{
    if (m_tvUserName)
        m_tvUserName->resignFirstResponder();
    if (m_tvPassword)
        m_tvPassword->resignFirstResponder();
}

void LoginViewController::setLoginBorder(const char* hex)
{
    if (m_btnLogin)
        m_btnLogin->layer().setBorderColor(ColorUtil::getUIColorByHex(hex));
}

void LoginViewController::btnLoginUpDown()
{
    setLoginBorder("247C11");
}

void LoginViewController::btnLoginUpOutside()
{
    setLoginBorder("FFFFFF");
}

void LoginViewController::onChangeIsChecked(UICheckBox&, bool)
{
    // The box is read when the staff check answers.
}

void LoginViewController::login()
{
    if (auto window = kit::Window::keyWindow())
        window->endEditing(true);
    // The overlay lets touches through: a second tap while the first is out
    // would sign in twice, and each success would close a screen.
    if (!m_signInGate.isOpen())
        return;
    std::string userName = m_tvUserName->text();
    std::string password = m_tvPassword->text();
    if (userName.empty()) {
        PromptUtil::toast("用户名不可为空！");
        setLoginBorder("FFFFFF");
        return;
    }
    if (password.empty()) {
        PromptUtil::toast("密码不可为空！");
        setLoginBorder("FFFFFF");
        return;
    }
    auto passwordMd5 = Md5Util::md5_32(password);
    NetUtilSign::Parameters parameters;
    parameters["username"] = userName;
    parameters["password"] = passwordMd5;
    std::weak_ptr<LoginViewController> weak = selfLogin();
    NetUtilSign::doPost(URLConfig::CHECK_STAFF, std::nullopt, NetUtilSign::receivableKeyFlag, parameters,
        [weak, passwordMd5, token = m_signInGate.close()](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->staffCheckReplied(reply, passwordMd5);
        });
}

std::optional<foundation::Json> LoginViewController::successfulRecord(const std::optional<std::string>& text)
{
    auto reply = JsonUtil::getJSONObject(text);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return std::nullopt;
    }
    const auto& data = JsonUtil::data(reply);
    if (!data.is_object())
        return std::nullopt;
    return data;
}

void LoginViewController::staffCheckReplied(
    const std::optional<std::string>& text, const std::string& passwordMd5)
{
    // A reply without a staff record, or one naming nobody, signs nobody in;
    // going on would report a sign-in that did not happen.
    auto data = successfulRecord(text);
    if (!data)
        return;
    auto entity = LoginEntity::initWithJSON(*data);
    if (!entity->username() || entity->username()->empty())
        return;
    auto& defaults = userDefaults();
    defaults.setObject(entity->id(), USER_ID);
    defaults.setObject(entity->truename(), TRUN_NAME);
    defaults.setObject(entity->username(), USER_NAME);
    defaults.setObject(passwordMd5, PASS_WORD);
    defaults.setObject(entity->job(), USER_JOB);
    // An unchecked box leaves an earlier remembered name in place.
    if (m_cb && m_cb->checked())
        defaults.setObject(entity->username(), REMEBER_USERNAME);
    (void)defaults.synchronize();
    getUserOtherInfo();
}

void LoginViewController::getUserOtherInfo()
{
    std::weak_ptr<LoginViewController> weak = selfLogin();
    // Asked from the staff check's reply, whose token holds the gate until
    // this one has taken over.
    NetUtilSign::doPost(URLConfig::GET_SHOP_INFO, std::nullopt, NetUtilSign::receivableKeyFlag, {},
        [weak, token = m_signInGate.close()](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->shopInfoReplied(reply);
        });
}

void LoginViewController::shopInfoReplied(const std::optional<std::string>& text)
{
    auto data = successfulRecord(text);
    if (!data)
        return;
    auto entity = UserInfoEntity::initWithJSON(*data);
    auto& defaults = userDefaults();
    defaults.setObject(entity->company(), COMPANY);
    defaults.setObject(entity->shopname(), SHOP_NAME);
    defaults.setObject(entity->nickname(), NICK_NAME);
    defaults.setObject(entity->devicename(), DEVICE_NAME);
    defaults.setObject(entity->ali_c(), IS_ALI_PAY);
    defaults.setObject(entity->wx_c(), IS_WX_PAY);
    defaults.setObject(entity->bd_c(), IS_ENABLE_BD_PAY);
    PromptUtil::toast("登录成功！");
    (void)defaults.synchronize();
    // Back to the screen under this one, and only while this one is on top:
    // a reply that comes after the person left must not take the screen
    // that asked for the sign-in (and what was typed there) with it.
    auto navigation = navigationController();
    if (navigation && navigation->topViewController() == shared_from_this())
        navigation->popViewControllerAnimated(true);
}
