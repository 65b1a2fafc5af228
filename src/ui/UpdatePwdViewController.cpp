#include "ui/UpdatePwdViewController.h"

#include "api/Constants.h"
#include "api/JsonUtil.h"
#include "api/Md5Util.h"
#include "api/NetUtil.h"
#include "api/URLConfig.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/Button.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TextField.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"

namespace {

constexpr double fieldX = 20;
constexpr double fieldHeight = 44;

std::shared_ptr<kit::TextField> makePasswordField(const char* name, const char* placeholder)
{
    auto field = std::make_shared<kit::TextField>();
    field->setName(name);
    field->setPlaceholder(placeholder);
    field->setSecureTextEntry(true);
    field->setBorderStyle(kit::TextBorderStyle::RoundedRect);
    field->setBackgroundColor(graphics::Color::white());
    return field;
}

} // namespace

void UpdatePwdViewController::loadView()
{
    auto bounds = kit::Screen::mainScreen().bounds();
    auto root = std::make_shared<kit::View>(bounds);
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F4F4F4"));
    setView(root);
    double const width = bounds.width() - 2 * fieldX;
    m_tvSourcePwd = makePasswordField("tvSourcePwd", "请输入原密码");
    m_tvSourcePwd->setFrame({ fieldX, 84, width, fieldHeight });
    m_tvNewPwd = makePasswordField("tvNewPwd", "请输入新密码");
    m_tvNewPwd->setFrame({ fieldX, 84 + fieldHeight + 12, width, fieldHeight });
    m_tvConfirmNewPwd = makePasswordField("tvConfirmNewPwd", "请再次输入新密码");
    m_tvConfirmNewPwd->setFrame({ fieldX, 84 + 2 * (fieldHeight + 12), width, fieldHeight });
    m_btnUpdatePwd = std::make_shared<kit::Button>(kit::ButtonType::Custom);
    m_btnUpdatePwd->setName("btnUpdatePwd");
    m_btnUpdatePwd->setTitle("确定", kit::ControlState::Normal);
    m_btnUpdatePwd->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    m_btnUpdatePwd->setFrame({ fieldX, 84 + 3 * (fieldHeight + 12) + 16, width, fieldHeight });
    m_btnUpdatePwd->layer().setCornerRadius(5);
    m_btnUpdatePwd->setClipsToBounds(true);
    for (const std::shared_ptr<kit::View>& view :
        { std::static_pointer_cast<kit::View>(m_tvSourcePwd), std::static_pointer_cast<kit::View>(m_tvNewPwd),
            std::static_pointer_cast<kit::View>(m_tvConfirmNewPwd),
            std::static_pointer_cast<kit::View>(m_btnUpdatePwd) })
        root->addSubview(view);
}

void UpdatePwdViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
}

void UpdatePwdViewController::initViews()
{
    setTitle("修改密码");
    auto self = selfUpdatePwd();
    for (auto& field : { m_tvSourcePwd, m_tvNewPwd, m_tvConfirmNewPwd })
        field->setDelegate(self);
    m_btnUpdatePwd->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2ca612")), kit::ControlState::Normal);
    m_btnUpdatePwd->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2b861b")), kit::ControlState::Highlighted);
    m_btnUpdatePwd->addTarget(self, &UpdatePwdViewController::updatePwd, kit::ControlEvent::TouchUpInside);
}

void UpdatePwdViewController::touchesEnded(const kit::Touch&)
{
    for (auto& field : { m_tvSourcePwd, m_tvNewPwd, m_tvConfirmNewPwd }) {
        if (field)
            field->resignFirstResponder();
    }
}

void UpdatePwdViewController::updatePwd()
{
    // The overlay lets touches through: a second tap must not send again.
    if (m_requestOut)
        return;
    auto const sourcePwd = foundation::trimWhitespaceAndNewlines(m_tvSourcePwd->text());
    auto const newPwd = foundation::trimWhitespaceAndNewlines(m_tvNewPwd->text());
    auto const confirmPwd = foundation::trimWhitespaceAndNewlines(m_tvConfirmNewPwd->text());
    const char* refusal = nullptr;
    if (sourcePwd.empty())
        refusal = "请输入原密码！";
    else if (newPwd.empty())
        refusal = "请输入新密码！";
    else if (confirmPwd.empty())
        refusal = "请输入确认密码！";
    else if (newPwd != confirmPwd)
        refusal = "两次输入密码不一致！";
    if (refusal) {
        PromptUtil::toast(refusal);
        return;
    }
    auto& defaults = userDefaults();
    auto const newPasswordMd5 = Md5Util::md5_32(newPwd);
    NetUtil::Parameters parameters;
    parameters["key"] = defaults.stringForKey(KEY_RECEIVABLE).value_or(std::string());
    parameters["username"] = defaults.stringForKey(USER_NAME).value_or(std::string());
    parameters["password"] = Md5Util::md5_32(sourcePwd);
    parameters["newpassword"] = newPasswordMd5;
    std::weak_ptr<UpdatePwdViewController> weak = selfUpdatePwd();
    setRequestOut(true);
    NetUtil::doPost(
        URLConfig::MODIFY_STAFF_PASSWORD, std::nullopt, parameters,
        [weak, userName = parameters["username"], newPasswordMd5](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->setRequestOut(false);
            replied(weak, reply, userName, newPasswordMd5);
        },
        [weak] {
            if (auto strong = weak.lock())
                strong->setRequestOut(false);
        });
}

void UpdatePwdViewController::setRequestOut(bool out)
{
    m_requestOut = out;
    m_btnUpdatePwd->setEnabled(!out);
}

void UpdatePwdViewController::replied(const std::weak_ptr<UpdatePwdViewController>& weak,
    const std::optional<std::string>& text, const std::string& userName, const std::string& newPasswordMd5)
{
    auto reply = JsonUtil::getJSONObject(text);
    if (!reply || !reply->is_object()) {
        PromptUtil::toast(std::string(unreadableReplyMessage));
        return;
    }
    PromptUtil::toast(JsonUtil::info(reply));
    if (!JsonUtil::isSuccess(reply))
        return;
    // The stored hash is what later owner requests (a refund by the shop
    // owner) send as the password; the old one would now be refused. It is
    // kept even when the screen has gone meanwhile, as long as the same
    // member of staff is signed in.
    auto& defaults = foundation::UserDefaults::standard();
    if (defaults.stringForKey(USER_NAME) == userName) {
        defaults.setObject(newPasswordMd5, PASS_WORD);
        (void)defaults.synchronize();
    }
    auto strong = weak.lock();
    if (!strong)
        return;
    if (auto navigation = strong->navigationController())
        navigation->popViewControllerAnimated(true);
}
