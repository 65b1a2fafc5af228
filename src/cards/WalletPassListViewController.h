#pragma once

#include "cards/PassChooserViewController.h"
#include "ui/SubmitGate.h"

#include <optional>
#include <string>

// An Alipay or WeChat pass list: "确定" sends the chosen pass straight to
// the member's wallet identity, once per tap, and goes back on success.
class WalletPassListViewController : public PassChooserViewController {
public:
    void btnOkClick() override;

protected:
    struct Wallet {
        // The member's identity in the wallet; none when the member has not
        // joined it.
        std::optional<std::string> memberIdentity;
        const char* noIdentityMessage;
        std::string_view sendPath;
        // Request field names: the pass's key (same name in the candidate)
        // and the member's identity.
        const char* passKey;
        const char* identityKey;
    };
    virtual Wallet wallet() const = 0;
    std::shared_ptr<kit::TableViewCell> makeCell() const override;

private:
    void handleSend(const std::optional<std::string>& reply);

    SubmitGate m_sendGate;
};
