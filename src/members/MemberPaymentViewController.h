#pragma once

#include "api/NetUtilSign.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "members/InputPayMoneyDelegate.h"
#include "members/MemberFormViewController.h"
#include "members/MemberPaymentAttempt.h"
#include "platform/foundation/Subscription.h"
#include "ui/SubmitGate.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kit {
class Button;
class Control;
class Label;
class ScrollView;
class TextField;
} // namespace kit
class MemberConsumeResultViewController;
class MemberPayBar;

// The form of a member payment, the purchase's and the recharge's: the amount
// field under the member's card, rows of payment parts, and the bar with the
// summary and "确定", which rests on the keyboard while one is up. Then the
// request itself: sent once however often "确定" is tapped, its mobile part
// collected first on the cashier's pay-way screen, which hands the paid
// request back; a request whose answer was lost, and a paid mobile part,
// kept for the retry so that the member is charged once.
class MemberPaymentViewController : public MemberFormViewController,
                                    public InputPayMoneyDelegate,
                                    public MobilePayCallbackReceiver {
public:
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    // Every field of the form takes amounts only.
    bool textFieldShouldChangeCharactersInRange(
        kit::TextField& textField, kit::TextRange range, const std::string& replacement) override;
    // The amount field's editing-changed action.
    virtual void textFieldDidChange(kit::Control& sender) = 0;
    void touchesEnded(const kit::Touch& touch) override;
    virtual void btnOkClick() = 0;
    void setOkBtnStyle(bool enabled);

    void setMobilePayCallbackParams(std::shared_ptr<NetUtilSign::Parameters> params) override
    {
        m_mobilePayCallbackParams = std::move(params);
    }
    const std::shared_ptr<NetUtilSign::Parameters>& requestPayParams() const { return m_requestPayParams; }
    const MemberPaymentAttempt& attempt() const { return m_attempt; }

protected:
    // The card, then the amount row, in a scroll view above the bar. Returns
    // where the form goes on under the amount row.
    double buildForm(const char* title, const char* amountCaption, const char* amountPlaceholder);
    std::shared_ptr<kit::Button> addPartRow(const char* buttonName, const char* title, const char* labelName,
        std::shared_ptr<kit::Label>& label, double y);
    // The form ends at `y`; the bar goes under it.
    void finishForm(double y);
    void resignAmountField();

    // The request a confirm sends for the `fresh` one built from the form:
    // an unanswered one again, or `fresh` with a paid mobile part in it.
    const std::shared_ptr<NetUtilSign::Parameters>& prepareRequest(
        std::shared_ptr<NetUtilSign::Parameters> fresh);
    // The prepared request still has a mobile part to collect.
    bool needsMobilePayment() const;
    // Off to the pay-way screen for that part; the recharge also tells it
    // the amount being recharged.
    void collectMobilePart(double mobileMoney, std::optional<double> rechargeMoney = std::nullopt);
    // Sends the request with "请求支付中..."; "确定" sends nothing more while
    // it is out. A settlement opens the result screen.
    void sendPayment(const std::shared_ptr<NetUtilSign::Parameters>& params);
    virtual std::string_view paymentPath() const = 0;
    // The result screen for a settled `request`, its amount set.
    virtual std::shared_ptr<MemberConsumeResultViewController> makeResultScreen(
        const NetUtilSign::Parameters& request) const = 0;

    SubmitGate& submitGate() { return m_submitGate; }
    const std::shared_ptr<kit::ScrollView>& scrollView() const { return m_scrollView; }
    const std::shared_ptr<kit::TextField>& tvPayMoney() const { return m_tvPayMoney; }
    const std::shared_ptr<MemberPayBar>& viewTotalMoney() const { return m_viewTotalMoney; }

private:
    std::shared_ptr<MemberPaymentViewController> selfPayment()
    {
        return std::static_pointer_cast<MemberPaymentViewController>(shared_from_this());
    }
    void handlePayment(
        const std::shared_ptr<NetUtilSign::Parameters>& request, const std::optional<std::string>& reply);
    void keyboardWillShow(double keyboardHeight);
    void keyboardWillHide();

    std::shared_ptr<NetUtilSign::Parameters> m_requestPayParams;
    std::shared_ptr<NetUtilSign::Parameters> m_mobilePayCallbackParams;
    MemberPaymentAttempt m_attempt;
    std::shared_ptr<kit::ScrollView> m_scrollView;
    std::shared_ptr<kit::TextField> m_tvPayMoney;
    std::shared_ptr<MemberPayBar> m_viewTotalMoney;
    foundation::Subscription m_keyboardWillShow;
    foundation::Subscription m_keyboardWillHide;
    SubmitGate m_submitGate;
};
