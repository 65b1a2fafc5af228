#pragma once

#include "platform/kit/AlertViewDelegate.h"
#include "platform/kit/TextFieldDelegate.h"
#include "platform/kit/ViewController.h"
#include "ui/ScanViewControllerDelegate.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace foundation {
class UserDefaults;
}
namespace kit {
class AlertView;
class Button;
class Registry;
} // namespace kit

// What every screen of the app stands on: the settings, the sign-in and key
// guards, the two key-entry alerts, the green bar with its back button and
// the hand-off to the code scanner.
class BaseViewController : public kit::ViewController,
                           public ScanViewControllerDelegate,
                           public kit::AlertViewDelegate,
                           public kit::TextFieldDelegate {
public:
    // Builds the code scanner with its delegate set. The scanner's module
    // installs it: it lives above this folder.
    using ScannerFactory = std::function<std::shared_ptr<kit::ViewController>(
        std::weak_ptr<ScanViewControllerDelegate> delegate)>;
    static void setScannerFactory(ScannerFactory factory);
    // Told each time a screen runs the base appearance step; the
    // application records that screen as its current one.
    using AppearanceObserver = std::function<void(const std::shared_ptr<BaseViewController>& screen)>;
    static void setAppearanceObserver(AppearanceObserver observer);

    static constexpr const char* barColorHex = "3AAA24";

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    virtual void initViews() { }
    void initNavigatonBackButton();
    // The standard back button's action; screens that lead elsewhere replace it.
    virtual void back();

    // YES when the collection key and a user name are both set; asks nothing.
    bool checkUserSessionIsEnable() const;
    // The guard before a collection action: prompts for what is missing.
    bool checkIsLoginAndKeyExists();
    bool checkUserIsLogin() const;
    bool checkMemberKeyExists();

    bool textFieldShouldReturn(kit::TextField& textField) override;

    void toScanUI();
    void scanCallback(const std::string& code) override;
    // Per-device layout changes; runs first in viewDidLoad.
    virtual void screenAdapter() { }
    void toLogin();
    void setWhiteBtnStyle(kit::Button& button);

    void setReceivableKey();
    void setMemberKey();
    void alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex) override;

    foundation::UserDefaults& userDefaults() const;
    kit::Registry* mainStoryboard() const { return m_mainStoryboard; }
    const std::optional<std::string>& scanCode() const { return m_scanCode; }
    void setScanCode(std::optional<std::string> code) { m_scanCode = std::move(code); }
    const std::shared_ptr<kit::AlertView>& alertViewRecivKey() const { return m_alertViewRecivKey; }
    const std::shared_ptr<kit::AlertView>& alertViewMemberKey() const { return m_alertViewMemberKey; }

protected:
    // Runs when the member key alert has stored a new pair, before "设置成功！":
    // screens that need the member key load what waited for it here.
    virtual void memberKeyDidSave() { }
    // A settings value counts only when present and not empty; no trimming.
    bool isSet(std::string_view key) const;
    std::shared_ptr<BaseViewController> self()
    {
        return std::static_pointer_cast<BaseViewController>(shared_from_this());
    }
    void pushLogin();
    // A two-field key alert ("确定" 0, "取消" 1) reporting to this screen.
    std::shared_ptr<kit::AlertView> makeKeyAlert(
        const std::string& title, const std::string& keyPlaceholder, const std::string& encryptPlaceholder);
    // The alerts whose pair is the collection pair: the key checks, the save
    // and the sign-out follow for each. A screen with a collection-key alert
    // of its own adds it.
    virtual bool isCollectionKeyAlert(const kit::AlertView& alert) const
    {
        return &alert == m_alertViewRecivKey.get();
    }

private:
    foundation::UserDefaults* m_userDefaults = nullptr;
    kit::Registry* m_mainStoryboard = nullptr;
    std::optional<std::string> m_scanCode;
    std::shared_ptr<kit::AlertView> m_alertViewRecivKey;
    std::shared_ptr<kit::AlertView> m_alertViewMemberKey;
};
