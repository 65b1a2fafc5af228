#pragma once

#include "platform/foundation/Json.h"
#include "platform/foundation/Subscription.h"
#include "ui/BaseViewController.h"
#include "ui/SubmitGate.h"
#include "ui/UICheckBoxDelegate.h"

#include <memory>
#include <optional>
#include <string>

namespace graphics {
class Image;
}
namespace kit {
class Button;
class Control;
class ImageView;
class TextField;
} // namespace kit
class UICheckBox;

// Signs a member of staff in: the staff check, then the shop information,
// both stored in the settings the other screens read. Always pushed; it
// closes itself once both replies have been stored. One tap sends one
// staff check and one shop request: the button sends nothing more until
// they have ended, however they end.
class LoginViewController : public BaseViewController, public UICheckBoxDelegate {
public:
    using ImagePtr = std::shared_ptr<const graphics::Image>;

    void viewDidLoad() override;
    void initViews() override;
    void screenAdapter() override;

    void login();
    void getUserOtherInfo();

    void textFieldDidBeginEditing(kit::TextField& textField) override;
    void textFieldDidEndEditing(kit::TextField& textField) override;
    void touchesEnded(const kit::Touch& touch) override;
    void btnLoginUpDown();
    void btnLoginUpOutside();
    void onChangeIsChecked(UICheckBox& checkBox, bool isChecked) override;

    const std::shared_ptr<kit::ImageView>& ivLogo() const { return m_ivLogo; }
    const std::shared_ptr<kit::TextField>& tvUserName() const { return m_tvUserName; }
    const std::shared_ptr<kit::TextField>& tvPassword() const { return m_tvPassword; }
    const std::shared_ptr<kit::Button>& btnLogin() const { return m_btnLogin; }
    const std::shared_ptr<UICheckBox>& cb() const { return m_cb; }

private:
    void keyboardWillShow();
    void keyboardWillHide();
    void staffCheckReplied(const std::optional<std::string>& reply, const std::string& passwordMd5);
    void shopInfoReplied(const std::optional<std::string>& reply);
    void setLoginBorder(const char* hex);
    void showEditing(kit::TextField& textField, bool editing);
    // The record a successful reply carries; a failed reply is toasted and,
    // like one without a record, gives nothing.
    static std::optional<foundation::Json> successfulRecord(const std::optional<std::string>& text);
    std::shared_ptr<LoginViewController> selfLogin()
    {
        return std::static_pointer_cast<LoginViewController>(shared_from_this());
    }

    std::shared_ptr<kit::ImageView> m_ivLogo;
    std::shared_ptr<kit::TextField> m_tvUserName;
    std::shared_ptr<kit::TextField> m_tvPassword;
    std::shared_ptr<kit::Button> m_btnLogin;
    std::shared_ptr<kit::ImageView> m_ivUserName;
    std::shared_ptr<kit::ImageView> m_ivPwd;
    ImagePtr m_imgUsername;
    ImagePtr m_imgUsernameOn;
    ImagePtr m_imgPwd;
    ImagePtr m_imgPwdOn;
    std::shared_ptr<UICheckBox> m_cb;
    foundation::Subscription m_keyboardWillShow;
    foundation::Subscription m_keyboardWillHide;
    // Closed from the tap until the staff check and the shop request that
    // follows it have ended.
    SubmitGate m_signInGate;
};
