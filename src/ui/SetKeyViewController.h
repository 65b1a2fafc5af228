#pragma once

#include "ui/BaseViewController.h"

#include <memory>
#include <string>

namespace kit {
class Button;
class TextField;
} // namespace kit

// A form for both key pairs at once. No screen opens it and it saves
// nothing: the key alerts of the base screen and the settings are the ways
// keys are entered.
class SetKeyViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "SetKeyViewController";

    void loadView() override;
    void viewDidLoad() override;

    const std::shared_ptr<kit::TextField>& tvReceivableKey() const { return m_tvReceivableKey; }
    const std::shared_ptr<kit::TextField>& tvReceivableKeyEncrypt() const { return m_tvReceivableKeyEncrypt; }
    const std::shared_ptr<kit::TextField>& tvMemberKey() const { return m_tvMemberKey; }
    const std::shared_ptr<kit::TextField>& tvMemberKeyEncrypt() const { return m_tvMemberKeyEncrypt; }
    const std::shared_ptr<kit::Button>& btnOk() const { return m_btnOk; }
    const std::string& validateReceivableKey() const { return m_validateReceivableKey; }
    const std::string& validateMemberKey() const { return m_validateMemberKey; }

private:
    std::shared_ptr<kit::TextField> m_tvReceivableKey;
    std::shared_ptr<kit::TextField> m_tvReceivableKeyEncrypt;
    std::shared_ptr<kit::TextField> m_tvMemberKey;
    std::shared_ptr<kit::TextField> m_tvMemberKeyEncrypt;
    std::shared_ptr<kit::Button> m_btnOk;
    std::string m_validateReceivableKey;
    std::string m_validateMemberKey;
};
