#pragma once

#include "api/NetUtilSign.h"
#include "cashier/TillHoldAlert.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Subscription.h"
#include "till/TillLedger.h"
#include "ui/BaseViewController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class OrderStatusPoller;
class SubmitGuard;
class ProgressHUD;
class UnpaidOrderExit;

namespace kit {
class AlertView;
class Button;
class Control;
class ImageView;
class Label;
class NavigationController;
class View;
} // namespace kit

// Where an amount is collected: scan the customer's payment code (paid here,
// following the order until it is paid or failed) or show a wallet's QR
// code on the next screen. Member screens open it for the part of a member
// payment paid by mobile wallet, with their sale, and get their request
// back once it is paid (MobilePayCallbackReceiver).
//
// A barcode payment is never taken twice and never left without its
// result. The till's ledger knows every code sent and every order followed:
// while the request is out every other way off or to pay is refused here;
// a code whose request is out, whose reply was lost or whose order may
// still be paid is refused on any pay-way screen; the reply is handled
// whatever happened to the screen meanwhile, and so is a poll that says
// paid after the screen stopped following the order. A lost reply holds the
// whole till: on every pay-way screen, a QR tile, the scanner or a code
// collects only after the staff confirm they checked the takings (alert
// "支付结果未知"), and the screen says so while it lasts (labelHeld). A
// member's part whose sale was paid meanwhile by an order left earlier is
// not collected again: the staff go back to the form. Back,
// the scanner or a QR tile while a waiting order is followed asks first
// (UnpaidOrderExit).
class ChoosePayWayViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "ChoosePayWayViewController";
    static constexpr std::string_view barcodePath = "/PayApi/OfflinePay/barcode";
    static constexpr std::string_view waitingText = "等待用户确认...";
    // Back, a QR tile or the scanner while a barcode request is out.
    static constexpr std::string_view payingText = "正在支付,请稍候...";
    // A code that another pay-way screen is paying with right now.
    static constexpr std::string_view codeOutText = "该付款码正在支付中,请稍候...";
    // A code whose barcode reply was lost: it may have been charged.
    static constexpr std::string_view codeUnknownText = "该付款码支付结果未知,请在账单中核实！";
    static constexpr std::string_view replyLostText = "支付结果未知,请在账单中核实该笔订单！";
    // The hold after a lost reply (TillHoldAlert).
    static constexpr std::string_view heldTitle = TillHoldAlert::title;
    // The line that says so on the screen while the till is held.
    static constexpr std::string_view heldLineText = "有收款结果未知,收款前请先在账单中核实";
    static constexpr double moneyViewShare = 0.28;

    ChoosePayWayViewController();
    ~ChoosePayWayViewController() override;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    void initViews() override;
    void screenAdapter() override;

    // Refused while a barcode request (or a cancel) is out; asks first while
    // a waiting order is followed.
    void back() override;
    void btnClick(kit::Control& sender);
    void scanCallback(const std::string& code) override;
    void requestBarCodePay();
    void toPayResult(const foundation::Json& order);
    // False when no member screen of the kind is in the stack to take the
    // paid request back.
    bool memberConsume(const foundation::Json& order);
    bool memberRecharge(const foundation::Json& order);

    double money() const { return m_money; }
    void setMoney(double money) { m_money = money; }
    // MobilePayCallbackReceiver::consumeType*: 0 a plain collection, 1 a
    // member purchase, 2 a member recharge.
    int consumeType() const { return m_consumeType; }
    void setConsumeType(int type) { m_consumeType = type; }
    double rechargeMoney() const { return m_rechargeMoney; }
    void setRechargeMoney(double money) { m_rechargeMoney = money; }
    // The member request whose mobile part is paid here; absent for a plain
    // collection.
    const std::shared_ptr<NetUtilSign::Parameters>& requestPayParams() const { return m_requestPayParams; }
    void setRequestPayParams(std::shared_ptr<NetUtilSign::Parameters> params)
    {
        m_requestPayParams = std::move(params);
    }
    // The member sale whose mobile part this pays (none for a plain collection).
    TillLedger::Id tillSale() const { return m_tillSale; }
    void setTillSale(TillLedger::Id sale) { m_tillSale = sale; }

    const foundation::Json& orderData() const { return m_orderData; }
    bool isPolling() const;
    // Nothing followed here and no request out: nothing to lose when the screen goes.
    bool isIdle() const;
    // Whether a payment of unknown outcome holds the till.
    bool isTillHeld() const;
    const std::shared_ptr<kit::Label>& labelMoney() const { return m_labelMoney; }
    const std::shared_ptr<kit::Button>& btnScan() const { return m_btnScan; }

private:
    // What the screen collects, kept with a barcode request so that its
    // reply can open a screen like this one when this one has gone.
    struct Sale {
        double money = 0;
        int consumeType = 0;
        double rechargeMoney = 0;
        std::shared_ptr<NetUtilSign::Parameters> request;
        TillLedger::Id tillSale = 0;
    };
    Sale sale() const { return { m_money, m_consumeType, m_rechargeMoney, m_requestPayParams, m_tillSale }; }
    // The followed order as the ledger keeps it.
    TillLedger::Order tillOrder() const;
    static void barcodeReplied(const std::weak_ptr<ChoosePayWayViewController>& weak, const Sale& sale,
        const std::string& code, const std::optional<foundation::Json>& reply);
    static std::shared_ptr<ChoosePayWayViewController> open(
        kit::NavigationController& navigation, const Sale& sale);
    // Still in the stack it was pushed on.
    bool isStacked() const;

    void startPolling();
    // The screen goes away: a waiting order is left to the app to follow.
    void leavePolling();
    void settled(const foundation::Json& order);
    void showHeldLine();
    void closeWaitingHud();
    // Toasts why when a request of the screen is out.
    bool refuseWhileBlocked();
    // For a member's part whose sale has a part paid already: says so and
    // goes back to the form, and answers true.
    bool refuseWhenPartPaid();
    // Runs `collect` at once, or once the staff confirm that what holds the
    // till was not paid.
    void whenTillIsFree(std::function<void()> collect);
    void showWaitingHud();
    void handleBarcodeReply(const std::optional<foundation::Json>& reply, const std::string& code);
    // Polls the order of the barcode reply now, or when the screen next
    // appears if the reply came while it was away.
    void followOrder();
    // Whether the wallet is switched on; toasts when it is not.
    bool checkWalletEnabled(std::string_view wallet);
    void openQrCode(std::string_view wallet);
    std::shared_ptr<kit::Button> makeWalletButton(std::string_view name, const char* icon, const char* title);
    std::shared_ptr<ChoosePayWayViewController> selfPayWay()
    {
        return std::static_pointer_cast<ChoosePayWayViewController>(shared_from_this());
    }

    double m_money = 0;
    int m_consumeType = 0;
    double m_rechargeMoney = 0;
    std::shared_ptr<NetUtilSign::Parameters> m_requestPayParams;
    TillLedger::Id m_tillSale = 0;

    foundation::Json m_orderData;
    std::shared_ptr<OrderStatusPoller> m_poller;
    std::shared_ptr<ProgressHUD> m_hud;
    // The scan button and the QR tiles stay blocked while a barcode request
    // is out.
    std::shared_ptr<SubmitGuard> m_submitGuard;
    std::shared_ptr<UnpaidOrderExit> m_exit;
    std::shared_ptr<TillHoldAlert> m_hold;
    foundation::Subscription m_tillWatch;
    bool m_followOnAppear = false;
    // The customer's code whose order is followed.
    std::string m_orderCode;

    std::shared_ptr<kit::View> m_moneyView;
    std::shared_ptr<kit::View> m_bottomView;
    std::shared_ptr<kit::View> m_scanView;
    std::shared_ptr<kit::ImageView> m_ivScanIcon;
    std::shared_ptr<kit::Label> m_labelScan;
    std::shared_ptr<kit::Button> m_btnScan;
    std::shared_ptr<kit::View> m_codeViewContainer;
    std::shared_ptr<kit::Label> m_labelCodeTitle;
    std::shared_ptr<kit::Label> m_labelMoneyFlag;
    std::shared_ptr<kit::Label> m_labelMoney;
    std::shared_ptr<kit::Button> m_btnAlipayCode;
    std::shared_ptr<kit::Button> m_btnWxpayCode;
    std::shared_ptr<kit::Button> m_btnBdpayCode;
    std::shared_ptr<kit::Label> m_labelHeld;
};
