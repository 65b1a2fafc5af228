#pragma once

#include "api/NetUtilSign.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "members/InputPayMoneyDelegate.h"
#include "members/MemberFormViewController.h"
#include "platform/foundation/Subscription.h"
#include "till/TillLedger.h"
#include "ui/SubmitGate.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kit {
class AlertView;
class Button;
class Control;
class Label;
class ScrollView;
class TextField;
} // namespace kit
class MemberConsumeResultViewController;
class MemberPayBar;
class TillHoldAlert;

// The form of a member payment, the purchase's and the recharge's: the amount
// field under the member's card, rows of payment parts, and the bar with the
// summary and "确定", which rests on the keyboard while one is up. Then the
// request itself: sent once however often "确定" is tapped, its mobile part
// collected first on the cashier's pay-way screen, which hands the paid
// request back.
//
// The form is the view of one member sale of the till's ledger
// (TillLedger): what goes out is what the sale is when it goes. While a
// request is out, or its outcome is unknown, the form is held to it: every
// edit is refused with a toast, the form says so (labelHeld), and "确定"
// sends that request again. While the till's record is damaged, "确定"
// first asks the staff to check the takings, as a collection does. A paid mobile part stays on the form at
// its paid amount. Leaving with either asks first (the leave alert); a held request stays with the member's
// sale for the next screen of that member, a paid part is given up.
class MemberPaymentViewController : public MemberFormViewController,
                                    public InputPayMoneyDelegate,
                                    public MobilePayCallbackReceiver {
public:
    // An edit refused while the request is out, and while its outcome is unknown.
    static constexpr const char* sendingText = "正在提交,请稍候！";
    static constexpr const char* heldText = "上次提交结果未知,请点确定重新提交！";
    // The form's line while its request is held.
    static constexpr const char* heldLineText = "上次提交结果未知,本单已按原样保留";
    // The mobile part's row refused once it is paid (the order number follows).
    static std::string paidPartText(const std::string& orderId);

    ~MemberPaymentViewController() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void back() override;
    void alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex) override;

    // Every field of the form takes amounts only, and none changes while
    // the form is held.
    bool textFieldShouldBeginEditing(kit::TextField& textField) override;
    bool textFieldShouldClear(kit::TextField& textField) override;
    bool textFieldShouldChangeCharactersInRange(
        kit::TextField& textField, kit::TextRange range, const std::string& replacement) override;
    // The amount field's editing-changed action.
    virtual void textFieldDidChange(kit::Control& sender) = 0;
    void touchesEnded(const kit::Touch& touch) override;
    // "确定": while the till's record is damaged (it may have lost a request
    // of this very sale), the staff check the takings first (TillHoldAlert).
    void btnOkClick();
    void setOkBtnStyle(bool enabled);

    void setMobilePayCallbackParams(std::shared_ptr<NetUtilSign::Parameters> params) override
    {
        m_mobilePayCallbackParams = std::move(params);
    }
    void mobilePartBoundLate() override;
    TillLedger::Id tillSale() const override { return m_sale; }
    const std::shared_ptr<NetUtilSign::Parameters>& requestPayParams() const { return m_requestPayParams; }
    // A request of the sale was sent and has no definite answer yet.
    bool isHeld() const;
    // The mobile part paid for the sale, if one is.
    std::optional<TillLedger::PaidPart> paidMobilePart() const;
    // The alert that asks before leaving a held request or a paid part, once shown.
    const std::shared_ptr<kit::AlertView>& leaveAlertView() const { return m_leaveAlertView; }

protected:
    // What "确定" does once the till is free.
    virtual void confirm() = 0;
    // The card, then the amount row, in a scroll view above the bar. Returns
    // where the form goes on under the amount row.
    double buildForm(const char* title, const char* amountCaption, const char* amountPlaceholder);
    std::shared_ptr<kit::Button> addPartRow(const char* buttonName, const char* title, const char* labelName,
        std::shared_ptr<kit::Label>& label, double y);
    // The form ends at `y`; the bar goes under it.
    void finishForm(double y);
    // Last in building the form: the member's sale shows, a held request as
    // it was sent or a paid mobile part at its amount.
    void resumeSale();
    void resignAmountField();

    // True, with the toast that says why, when the form may not change now.
    bool refuseEdit();
    // The same for the mobile part, which a paid order binds besides.
    bool refuseMobilePartEdit();
    // The form shows `request` as sent: its amounts, parts and `choice`.
    virtual void showRequest(const NetUtilSign::Parameters& request, const foundation::Json& choice) = 0;
    // Part `type` shows `money`, without any check.
    virtual void showPart(int type, double money) = 0;
    // What the form chose beside the amounts (the discount way, the rule),
    // kept with a sent request.
    virtual foundation::Json formChoice() const = 0;

    // The request a confirm sends for the `fresh` one built from the form:
    // the held one again, or `fresh` with a paid mobile part in it.
    const std::shared_ptr<NetUtilSign::Parameters>& prepareRequest(
        std::shared_ptr<NetUtilSign::Parameters> fresh);
    // The prepared request still has a mobile part to collect.
    bool needsMobilePayment() const;
    // Off to the pay-way screen for that part; the recharge also tells it
    // the amount being recharged.
    void collectMobilePart(double mobileMoney, std::optional<double> rechargeMoney = std::nullopt);
    // Sends the request with "请求支付中..."; "确定" sends nothing more while
    // it is out. A settlement opens the result screen; a reply lost holds
    // the sale at once.
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
    void handlePayment(const std::shared_ptr<NetUtilSign::Parameters>& request,
        const std::optional<foundation::Json>& reply);
    void showHeldLine();
    void keyboardWillShow(double keyboardHeight);
    void keyboardWillHide();
    void leave();

    std::shared_ptr<NetUtilSign::Parameters> m_requestPayParams;
    std::shared_ptr<NetUtilSign::Parameters> m_mobilePayCallbackParams;
    TillLedger::Id m_sale = 0;
    foundation::Subscription m_tillWatch;
    std::shared_ptr<kit::AlertView> m_leaveAlertView;
    std::shared_ptr<TillHoldAlert> m_hold;
    std::shared_ptr<kit::Label> m_labelHeld;
    std::shared_ptr<kit::ScrollView> m_scrollView;
    std::shared_ptr<kit::TextField> m_tvPayMoney;
    std::shared_ptr<MemberPayBar> m_viewTotalMoney;
    foundation::Subscription m_keyboardWillShow;
    foundation::Subscription m_keyboardWillHide;
    SubmitGate m_submitGate;
};
