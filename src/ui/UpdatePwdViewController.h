#pragma once

#include "ui/BaseViewController.h"

#include <memory>
#include <optional>
#include <string>

namespace kit {
class Button;
class TextField;
} // namespace kit

// Changes the signed-in staff member's password through the agent API: the
// old password, the new one and its confirmation, all trimmed. The button
// stays blocked while the change is out, until its reply or its failure.
class UpdatePwdViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "UpdatePwdViewController";
    // Shown when the agent's answer is not the JSON it should be, rather than
    // an empty message.
    static constexpr std::string_view unreadableReplyMessage = "服务器返回的数据有误,请稍后再试！";

    void loadView() override;
    void viewDidLoad() override;
    void initViews() override;
    void touchesEnded(const kit::Touch& touch) override;

    void updatePwd();

    const std::shared_ptr<kit::TextField>& tvSourcePwd() const { return m_tvSourcePwd; }
    const std::shared_ptr<kit::TextField>& tvNewPwd() const { return m_tvNewPwd; }
    const std::shared_ptr<kit::TextField>& tvConfirmNewPwd() const { return m_tvConfirmNewPwd; }
    const std::shared_ptr<kit::Button>& btnUpdatePwd() const { return m_btnUpdatePwd; }

private:
    static void replied(const std::weak_ptr<UpdatePwdViewController>& weak,
        const std::optional<std::string>& reply, const std::string& userName,
        const std::string& newPasswordMd5);
    void setRequestOut(bool out);
    std::shared_ptr<UpdatePwdViewController> selfUpdatePwd()
    {
        return std::static_pointer_cast<UpdatePwdViewController>(shared_from_this());
    }

    std::shared_ptr<kit::TextField> m_tvSourcePwd;
    std::shared_ptr<kit::TextField> m_tvNewPwd;
    std::shared_ptr<kit::TextField> m_tvConfirmNewPwd;
    std::shared_ptr<kit::Button> m_btnUpdatePwd;
    bool m_requestOut { false };
};
