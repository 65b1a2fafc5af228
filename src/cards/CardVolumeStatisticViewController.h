#pragma once

#include "cards/PassLogViewController.h"
#include "ui/SubmitGate.h"

#include <memory>
#include <string>
#include <string_view>

namespace kit {
class Button;
class TextField;
class View;
} // namespace kit

// The cards tab: the use log of one pass type at a time, verifying a pass by
// its typed or scanned code, and the way to the send records.
class CardVolumeStatisticViewController : public PassLogViewController {
public:
    static constexpr std::string_view nibName = "CardVolumeStatisticViewController";

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void initViews() override;

    // The verify button.
    void searchCardVolume();
    void toScanUI();
    void scanCallback(const std::string& code) override;
    void couponVerifyCode(const std::string& code);
    void toCardVolumeRecordUI();
    void touchesEnded(const kit::Touch& touch) override;

    const std::shared_ptr<kit::TextField>& tvCardCode() const { return m_tvCardCode; }

protected:
    NetUtilSign::Parameters logParameters(bool firstPage) const override;
    bool mayChangeType() override { return signedInWithMemberKey(); }
    // The member key alert shows at once; the sign-in screen only once the
    // pulled control has stopped.
    bool mayPull() override { return checkUserIsLogin() && checkMemberKeyExists(); }
    void pullRefused() override;
    bool mayOpenRecord() override;

private:
    std::shared_ptr<CardVolumeStatisticViewController> selfStatistic()
    {
        return std::static_pointer_cast<CardVolumeStatisticViewController>(shared_from_this());
    }
    // Sends to sign-in, or shows the member key alert, when either is missing.
    bool signedInWithMemberKey();
    void handleVerify(const std::optional<std::string>& reply);

    std::shared_ptr<kit::View> m_inputViewContainer;
    std::shared_ptr<kit::TextField> m_tvCardCode;
    std::shared_ptr<kit::Button> m_btnOk;
    std::shared_ptr<kit::Button> m_btnScan;
    SubmitGate m_verifyGate;
};
