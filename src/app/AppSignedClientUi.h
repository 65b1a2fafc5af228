#pragma once

#include "api/SignedClientUi.h"

// Gives the signed client the prompts facade and the key-entry alerts of the
// current screen, or of the screen the person is on when the current one is
// not shown.
class AppSignedClientUi : public SignedClientUi {
public:
    std::shared_ptr<void> showProgressDialog(const std::optional<std::string>& text) override;
    void closeProgressDialog(const std::shared_ptr<void>& progress) override;
    void toast(const std::string& text) override;
    void setReceivableKey() override;
    void setMemberKey() override;
};
