#pragma once

#include "ui/BaseViewController.h"
#include "ui/SubmitGate.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kit {
class Button;
class TextField;
} // namespace kit

// The remark that goes with a platform pass, and the sending of that pass.
class InputRemarkViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "InputRemarkViewController";

    void viewDidLoad() override;
    void initViews() override;
    void save();

    const std::string& memberid() const { return m_memberid; }
    void setMemberid(std::string memberid) { m_memberid = std::move(memberid); }
    const std::string& modelid() const { return m_modelid; }
    void setModelid(std::string modelid) { m_modelid = std::move(modelid); }

private:
    void handleSend(const std::optional<std::string>& reply);

    std::string m_memberid;
    std::string m_modelid;
    std::shared_ptr<kit::TextField> m_tvRemark;
    std::shared_ptr<kit::Button> m_btnSave;
    SubmitGate m_sendGate;
};
