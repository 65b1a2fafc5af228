#pragma once

#include "ui/BaseViewController.h"

#include <memory>
#include <optional>
#include <string>

namespace kit {
class Button;
class ImageView;
class Label;
class View;
} // namespace kit

// The settings tab: who is signed in for which shop, and four actions:
// the collection key pair (after a shop owner's name and password pass the
// server's staff check), the member key pair, the password change and
// signing out.
class SettingViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "SettingViewController";
    static constexpr double topViewShare = 0.26;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void initViews() override;
    void screenAdapter() override;

    void validateShopowner();
    // The settings' own collection-key alert, made on first use and kept: the
    // base screen's checks apply, and a saved pair signs the user out and
    // opens the sign-in screen.
    void setKey();
    void updatePwd();
    void logout();
    void alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex) override;

    const std::shared_ptr<kit::Label>& labelUserNameLeft() const { return m_labelUserNameLeft; }
    const std::shared_ptr<kit::Label>& labelUserName() const { return m_labelUserName; }
    const std::shared_ptr<kit::Label>& labelShopName() const { return m_labelShopName; }
    const std::shared_ptr<kit::Label>& labelNickName() const { return m_labelNickName; }
    const std::shared_ptr<kit::View>& topView() const { return m_topView; }
    const std::shared_ptr<kit::Button>& btnSetKey() const { return m_btnSetKey; }
    const std::shared_ptr<kit::Button>& btnSetShopKey() const { return m_btnSetShopKey; }
    const std::shared_ptr<kit::Button>& btnUpdatePwd() const { return m_btnUpdatePwd; }
    const std::shared_ptr<kit::Button>& btnLogout() const { return m_btnLogout; }
    const std::shared_ptr<kit::AlertView>& validateShopownerAlertView() const
    {
        return m_validateShopownerAlertView;
    }
    const std::shared_ptr<kit::AlertView>& logoutAlertView() const { return m_logoutAlertView; }
    const std::shared_ptr<kit::AlertView>& setKeyAlertView() const { return m_setKeyAlertView; }

    // The owner name last typed into the owner check, offered again in the
    // next one until the screen shows a signed-in user again. Shared by all
    // instances for the run of the application. The password is never kept.
    static std::string& rememberedOwnerName();

protected:
    bool isCollectionKeyAlert(const kit::AlertView& alert) const override;

private:
    void shopOwnerClicked(kit::AlertView& alert, int buttonIndex);
    void shopOwnerReplied(
        const std::weak_ptr<kit::AlertView>& alert, const std::optional<std::string>& reply);
    void setMemberKeyTapped();
    std::shared_ptr<SettingViewController> selfSetting()
    {
        return std::static_pointer_cast<SettingViewController>(shared_from_this());
    }

    std::shared_ptr<kit::View> m_topView;
    std::shared_ptr<kit::ImageView> m_topBackground;
    std::shared_ptr<kit::Label> m_labelUserNameLeft;
    std::shared_ptr<kit::Label> m_labelUserName;
    std::shared_ptr<kit::Label> m_labelShopName;
    std::shared_ptr<kit::Label> m_labelNickName;
    std::shared_ptr<kit::Button> m_btnSetKey;
    std::shared_ptr<kit::Button> m_btnSetShopKey;
    std::shared_ptr<kit::Button> m_btnUpdatePwd;
    std::shared_ptr<kit::Button> m_btnLogout;
    std::shared_ptr<kit::AlertView> m_validateShopownerAlertView;
    std::shared_ptr<kit::AlertView> m_logoutAlertView;
    std::shared_ptr<kit::AlertView> m_setKeyAlertView;
};
