#include "cashier/ChoosePayWayViewController.h"

#include "api/Constants.h"
#include "api/JsonUtil.h"
#include "app/AppDelegate.h"
#include "cashier/CashierViews.h"
#include "cashier/CollectInputRules.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "cashier/OrderStatusPoller.h"
#include "cashier/PaidOrderDelivery.h"
#include "cashier/PayResultViewController.h"
#include "cashier/QRCodePayViewController.h"
#include "cashier/RequestOutcome.h"
#include "cashier/SubmitGuard.h"
#include "cashier/Till.h"
#include "cashier/UnpaidOrderExit.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Screen.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace {

constexpr double moneyFontSize = 35;
constexpr double moneyLineHeight = 45;
constexpr double scanViewHeight = 150;
constexpr double walletButtonHeight = 96;

struct Wallet {
    std::string_view code;
    std::string_view flagKey;
    const char* notEnabled;
};

constexpr Wallet wallets[] = {
    { PAY_TYPE_ALIPAY, IS_ALI_PAY, "您还没有开通支付宝支付！" },
    { PAY_TYPE_WXPAY, IS_WX_PAY, "您还没有开通微信支付！" },
    { PAY_TYPE_BDPAY, IS_ENABLE_BD_PAY, "您还没有开通百度钱包支付！" },
};

const Wallet& walletOf(std::string_view code)
{
    for (const auto& wallet : wallets) {
        if (wallet.code == code)
            return wallet;
    }
    return wallets[0];
}

} // namespace

ChoosePayWayViewController::ChoosePayWayViewController()
    : m_poller(OrderStatusPoller::create())
    , m_submitGuard(SubmitGuard::create())
    , m_exit(UnpaidOrderExit::create(m_poller, m_submitGuard))
{
}

ChoosePayWayViewController::~ChoosePayWayViewController()
{
    // An order still followed here is left to the app to follow.
    leavePolling();
    PromptUtil::closeProgressDialog(m_hud);
}

std::shared_ptr<kit::Button> ChoosePayWayViewController::makeWalletButton(
    std::string_view name, const char* icon, const char* title)
{
    auto button = kit::Button::buttonWithType(kit::ButtonType::Custom);
    button->setName(std::string(name));
    auto image = std::make_shared<kit::ImageView>(graphics::Image::named(icon));
    image->setName(std::string(name) + "Icon");
    image->setFrame({ 0, 14, 0, 44 });
    image->setContentMode(kit::ContentMode::Center);
    image->setUserInteractionEnabled(false);
    button->addSubview(image);
    auto caption = CashierViews::label(
        std::string(name) + "Title", 14, CashierViews::darkTextHex, graphics::TextAlignment::Center, title);
    caption->setUserInteractionEnabled(false);
    button->addSubview(caption);
    m_codeViewContainer->addSubview(button);
    return button;
}

// Stands in for the interface file: the outlets exist before viewDidLoad.
void ChoosePayWayViewController::loadView()
{
    auto bounds = kit::Screen::mainScreen().bounds();
    auto root = std::make_shared<kit::View>(bounds);
    root->setBackgroundColor(ColorUtil::getUIColorByHex(CashierViews::pageHex));
    setView(root);

    m_moneyView = CashierViews::panel("moneyView", CashierViews::greenHex);
    std::tie(m_labelMoneyFlag, m_labelMoney) = CashierViews::whiteMoney(*m_moneyView, moneyFontSize);
    root->addSubview(m_moneyView);

    m_bottomView = CashierViews::panel("bottomView", CashierViews::pageHex);
    root->addSubview(m_bottomView);
    m_scanView = CashierViews::panel("scanView", "FFFFFF");
    m_btnScan = kit::Button::buttonWithType(kit::ButtonType::Custom);
    m_btnScan->setName("btnScan");
    m_scanView->addSubview(m_btnScan);
    m_ivScanIcon = std::make_shared<kit::ImageView>(graphics::Image::named("IconScanCode"));
    m_ivScanIcon->setName("ivScanIcon");
    m_ivScanIcon->setContentMode(kit::ContentMode::Center);
    m_ivScanIcon->setUserInteractionEnabled(false);
    m_scanView->addSubview(m_ivScanIcon);
    m_labelScan = CashierViews::label(
        "labelScan", 15, CashierViews::darkTextHex, graphics::TextAlignment::Center, "扫描顾客付款码收款");
    m_labelScan->setUserInteractionEnabled(false);
    m_scanView->addSubview(m_labelScan);
    m_bottomView->addSubview(m_scanView);

    m_codeViewContainer = CashierViews::panel("codeViewContainer", "FFFFFF");
    m_labelCodeTitle = CashierViews::label(
        "labelCodeTitle", 13, "888888", graphics::TextAlignment::Center, "或请顾客扫描二维码付款");
    m_codeViewContainer->addSubview(m_labelCodeTitle);
    m_btnAlipayCode = makeWalletButton("btnAlipayCode", "IconAliSys", "支付宝");
    m_btnWxpayCode = makeWalletButton("btnWxpayCode", "IconWxSys", "微信支付");
    m_btnBdpayCode = makeWalletButton("btnBdpayCode", "IconBdSys", "百度钱包");
    m_bottomView->addSubview(m_codeViewContainer);
    m_labelHeld = CashierViews::label(
        "labelHeld", 13, "E60012", graphics::TextAlignment::Center, std::string(heldLineText).c_str());
    m_labelHeld->setHidden(true);
    m_bottomView->addSubview(m_labelHeld);
}

void ChoosePayWayViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
}

void ChoosePayWayViewController::initViews()
{
    setTitle("收款");
    auto self = selfPayWay();
    for (auto& button : { m_btnScan, m_btnAlipayCode, m_btnWxpayCode, m_btnBdpayCode }) {
        setWhiteBtnStyle(*button);
        button->addTarget(self, &ChoosePayWayViewController::btnClick, kit::ControlEvent::TouchUpInside);
    }
    m_labelMoney->setText(foundation::formatFixed(m_money, 2));
    m_submitGuard->setControls({ m_btnScan, m_btnAlipayCode, m_btnWxpayCode, m_btnBdpayCode });
    std::weak_ptr<ChoosePayWayViewController> weak = self;
    m_poller->setOnPoll([weak] {
        if (auto screen = weak.lock())
            screen->showWaitingHud();
    });
    // The hold is the till's: it may come or go on another screen.
    m_tillWatch = Till::ledger().observe([weak] {
        if (auto screen = weak.lock())
            screen->showHeldLine();
    });
    showHeldLine();
}

void ChoosePayWayViewController::showHeldLine()
{
    m_labelHeld->setHidden(!Till::ledger().isHeld());
}

void ChoosePayWayViewController::screenAdapter()
{
    if (!m_moneyView)
        return;
    auto bounds = view()->bounds();
    double width = bounds.width();
    double moneyHeight = bounds.height() * moneyViewShare;
    double top = CashierViews::navigationBarHeight;
    m_moneyView->setFrame({ 0, top, width, moneyHeight });
    CashierViews::centreMoney(*m_labelMoneyFlag, *m_labelMoney, width, (moneyHeight - moneyLineHeight) / 2,
        moneyLineHeight, moneyFontSize);

    double bottomTop = top + moneyHeight;
    m_bottomView->setFrame({ 0, bottomTop, width, bounds.height() - bottomTop });
    m_scanView->setFrame({ 0, 10, width, scanViewHeight });
    m_btnScan->setFrame({ 0, 0, width, scanViewHeight });
    m_ivScanIcon->setFrame({ 0, 24, width, 64 });
    m_labelScan->setFrame({ 0, 100, width, 24 });

    m_codeViewContainer->setFrame({ 0, 10 + scanViewHeight + 10, width, walletButtonHeight + 30 });
    m_labelHeld->setFrame({ 10, 10 + scanViewHeight + 10 + walletButtonHeight + 30 + 8, width - 20, 20 });
    m_labelCodeTitle->setFrame({ 0, 6, width, 20 });
    double buttonWidth = width / 3;
    int column = 0;
    for (auto& button : { m_btnAlipayCode, m_btnWxpayCode, m_btnBdpayCode }) {
        button->setFrame({ column * buttonWidth, 30, buttonWidth, walletButtonHeight });
        button->subviews()[0]->setFrame({ 0, 8, buttonWidth, 48 });
        button->subviews()[1]->setFrame({ 0, 62, buttonWidth, 22 });
        ++column;
    }
}

void ChoosePayWayViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    showHeldLine();
    // An order left while another screen was over this one is ours again,
    // unless it ended meanwhile.
    auto orderid = foundation::optionalText(m_orderData, "orderid").value_or("");
    m_followOnAppear = false;
    if (!orderid.empty() && Till::ledger().takeBack(orderid)) {
        startPolling();
        return;
    }
    leavePolling();
}

void ChoosePayWayViewController::viewWillDisappear(bool animated)
{
    BaseViewController::viewWillDisappear(animated);
    leavePolling();
}

void ChoosePayWayViewController::viewDidDisappear(bool animated)
{
    BaseViewController::viewDidDisappear(animated);
    leavePolling();
}

bool ChoosePayWayViewController::isPolling() const
{
    return m_poller->isPolling();
}

bool ChoosePayWayViewController::isIdle() const
{
    return !m_poller->isPolling() && !m_submitGuard->isBlocked() && !m_followOnAppear;
}

bool ChoosePayWayViewController::isTillHeld() const
{
    return Till::ledger().isHeld();
}

TillLedger::Order ChoosePayWayViewController::tillOrder() const
{
    TillLedger::Order order;
    order.orderid = foundation::optionalText(m_orderData, "orderid").value_or("");
    order.wallet = std::string(CollectInputRules::walletForCode(m_orderCode));
    order.money = foundation::formatFixed(m_money, 2);
    order.purpose = m_consumeType == MobilePayCallbackReceiver::consumeTypePurchase
        ? TillLedger::Purpose::PurchasePart
        : m_consumeType == MobilePayCallbackReceiver::consumeTypeRecharge ? TillLedger::Purpose::RechargePart
                                                                          : TillLedger::Purpose::Collection;
    order.sale = m_tillSale;
    order.code = m_orderCode;
    return order;
}

bool ChoosePayWayViewController::isStacked() const
{
    auto navigation = navigationController();
    if (!navigation)
        return false;
    const auto& stack = navigation->viewControllers();
    return std::any_of(
        stack.begin(), stack.end(), [this](const auto& screen) { return screen.get() == this; });
}

bool ChoosePayWayViewController::refuseWhileBlocked()
{
    if (!m_submitGuard->isBlocked())
        return false;
    // Leaving now would leave the payment's (or the cancel's) reply without its screen.
    PromptUtil::toast(std::string(m_exit->isCancelling() ? UnpaidOrderExit::cancellingText : payingText));
    return true;
}

void ChoosePayWayViewController::back()
{
    if (refuseWhileBlocked())
        return;
    std::weak_ptr<ChoosePayWayViewController> weak = selfPayWay();
    m_exit->leave(
        std::string(CollectInputRules::walletForCode(m_orderCode)),
        [weak] {
            auto screen = weak.lock();
            if (screen && screen->isAppearing())
                screen->BaseViewController::back();
        },
        true);
}

void ChoosePayWayViewController::btnClick(kit::Control& sender)
{
    if (refuseWhileBlocked())
        return;
    std::function<void(ChoosePayWayViewController&)> collect;
    if (&sender == m_btnScan.get())
        collect = [](ChoosePayWayViewController& screen) { screen.toScanUI(); };
    else if (&sender == m_btnAlipayCode.get())
        collect = [](ChoosePayWayViewController& screen) { screen.openQrCode(PAY_TYPE_ALIPAY); };
    else if (&sender == m_btnWxpayCode.get())
        collect = [](ChoosePayWayViewController& screen) { screen.openQrCode(PAY_TYPE_WXPAY); };
    else if (&sender == m_btnBdpayCode.get())
        collect = [](ChoosePayWayViewController& screen) { screen.openQrCode(PAY_TYPE_BDPAY); };
    if (!collect)
        return;
    // Another way to collect the sale, while its waiting order could still
    // be paid, asks first too; leaving it open is no choice here.
    std::weak_ptr<ChoosePayWayViewController> weak = selfPayWay();
    m_exit->leave(
        std::string(CollectInputRules::walletForCode(m_orderCode)),
        [weak, collect] {
            auto screen = weak.lock();
            if (screen && screen->isAppearing())
                screen->whenTillIsFree([weak, collect] {
                    auto again = weak.lock();
                    if (again && again->isAppearing() && !again->refuseWhenPartPaid())
                        collect(*again);
                });
        },
        false);
}

bool ChoosePayWayViewController::refuseWhenPartPaid()
{
    const auto* sale = m_tillSale ? Till::ledger().sale(m_tillSale) : nullptr;
    if (!sale || !sale->paid)
        return false;
    // An order of this part left earlier was paid meanwhile and is bound to
    // the sale: there is nothing left to collect here, and collecting again
    // would charge the customer twice. Back to the form, which shows it.
    PaidOrderDelivery::bindLate(m_tillSale);
    return true;
}

void ChoosePayWayViewController::whenTillIsFree(std::function<void()> collect)
{
    if (!m_hold)
        m_hold = TillHoldAlert::create(*this, TillLedger::MoneyAction::WalletCollection);
    m_hold->whenFree(std::move(collect));
}

bool ChoosePayWayViewController::checkWalletEnabled(std::string_view code)
{
    const Wallet& wallet = walletOf(code);
    if (userDefaults().stringForKey(wallet.flagKey) == "1")
        return true;
    PromptUtil::toast(wallet.notEnabled);
    return false;
}

void ChoosePayWayViewController::openQrCode(std::string_view wallet)
{
    if (!checkWalletEnabled(wallet))
        return;
    auto navigation = navigationController();
    auto qrCode = mainStoryboard() ? mainStoryboard()->instantiate<QRCodePayViewController>(
                      std::string(QRCodePayViewController::nibName))
                                   : nullptr;
    if (!qrCode || !navigation)
        return;
    qrCode->setMoney(foundation::formatFixed(m_money, 2));
    qrCode->setRechargeMoney(m_rechargeMoney);
    qrCode->setRequestPayParams(m_requestPayParams);
    qrCode->setConsumeType(m_consumeType);
    qrCode->setTillSale(m_tillSale);
    qrCode->setPayWay(std::string(wallet));
    navigation->pushViewController(qrCode, true);
}

void ChoosePayWayViewController::scanCallback(const std::string& code)
{
    // A code goes out at most once in a row, also after its payment failed.
    if (scanCode() && *scanCode() == code)
        return;
    setScanCode(code);
    requestBarCodePay();
}

void ChoosePayWayViewController::requestBarCodePay()
{
    std::string code = scanCode().value_or("");
    std::string_view wallet = CollectInputRules::walletForCode(code);
    if (!checkWalletEnabled(wallet))
        return;
    if (!CollectInputRules::isFormSafe(code)) {
        PromptUtil::toast("无效的付款码,请重新扫描！");
        return;
    }
    if (refuseWhenPartPaid())
        return;
    auto& ledger = Till::ledger();
    switch (ledger.codeState(code)) {
    case TillLedger::CodeState::Out:
        PromptUtil::toast(std::string(codeOutText));
        return;
    case TillLedger::CodeState::Unknown:
        PromptUtil::toast(std::string(codeUnknownText));
        return;
    case TillLedger::CodeState::Free:
        break;
    }
    if (ledger.isHeld()) {
        // The code came while the till is held: it goes once the staff say so.
        std::weak_ptr<ChoosePayWayViewController> weak = selfPayWay();
        whenTillIsFree([weak, code] {
            auto screen = weak.lock();
            if (screen && screen->scanCode() == code && screen->isAppearing())
                screen->requestBarCodePay();
        });
        return;
    }
    NetUtilSign::Parameters parameters;
    parameters["money"] = foundation::formatFixed(m_money, 2);
    parameters["dynamic_id"] = code;
    parameters["m_paytype"] = std::string(wallet);
    auto token = m_submitGuard->block();
    TillLedger::Request sent;
    sent.kind = TillLedger::RequestKind::Barcode;
    sent.code = code;
    sent.wallet = std::string(wallet);
    sent.money = parameters["money"];
    sent.sale = m_tillSale;
    auto id = ledger.sent(sent);
    std::weak_ptr<ChoosePayWayViewController> weak = selfPayWay();
    RequestOutcome::post(
        barcodePath, std::string("请求支付中..."), parameters, NetUtilSign::receivableKeyFlag,
        [weak, sale = sale(), code, token](const std::optional<foundation::Json>& reply) {
            if (!RequestOutcome::readsAsAnswer(reply))
                return false;
            barcodeReplied(weak, sale, code, reply);
            return true;
        },
        [id](RequestOutcome::Kind kind) {
            RequestOutcome::tell(Till::ledger(), id, kind);
            // The code may have been charged: the till waits until the staff
            // have checked the takings (every pay-way screen shows it).
            if (kind == RequestOutcome::Kind::Lost)
                PromptUtil::toast(std::string(replyLostText));
        });
}

// Never dropped: a paid order must reach its result and a waiting one be
// followed, even when the screen that asked has gone (no way off it is
// open while the request is out, but the reply must not depend on that).
void ChoosePayWayViewController::barcodeReplied(const std::weak_ptr<ChoosePayWayViewController>& weak,
    const Sale& sale, const std::string& code, const std::optional<foundation::Json>& reply)
{
    auto screen = weak.lock();
    if (!screen || !screen->isStacked()) {
        auto app = AppDelegate::shared();
        auto navigation = app ? app->shownNavigation() : nullptr;
        screen = navigation ? open(*navigation, sale) : nullptr;
    }
    if (screen)
        screen->handleBarcodeReply(reply, code);
    else
        PromptUtil::toast(JsonUtil::info(reply).value_or(std::string(replyLostText)));
}

std::shared_ptr<ChoosePayWayViewController> ChoosePayWayViewController::open(
    kit::NavigationController& navigation, const Sale& sale)
{
    auto screen = kit::Registry::shared().instantiate<ChoosePayWayViewController>(std::string(nibName));
    if (!screen)
        return nullptr;
    screen->setMoney(sale.money);
    screen->setConsumeType(sale.consumeType);
    screen->setRechargeMoney(sale.rechargeMoney);
    screen->setRequestPayParams(sale.request);
    screen->setTillSale(sale.tillSale);
    screen->setHidesBottomBarWhenPushed(true);
    navigation.pushViewController(screen, true);
    return screen;
}

void ChoosePayWayViewController::handleBarcodeReply(
    const std::optional<foundation::Json>& reply, const std::string& code)
{
    m_followOnAppear = false;
    m_orderCode = code;
    const auto& data = JsonUtil::data(reply);
    // The reply's status is not looked at: a failed payment comes with its order.
    m_orderData = data.is_object() ? data : foundation::Json::object();
    auto paystatus = foundation::optionalText(m_orderData, "paystatus");
    if (paystatus == "1") {
        toPayResult(m_orderData);
        return;
    }
    auto orderid = foundation::optionalText(m_orderData, "orderid");
    if (paystatus == "2" || !orderid || orderid->empty()) {
        // No order to follow: a refused request, or a failed payment.
        PromptUtil::toast(JsonUtil::info(reply).value_or("支付失败,请重试！"));
        return;
    }
    followOrder();
}

void ChoosePayWayViewController::followOrder()
{
    auto& ledger = Till::ledger();
    ledger.following(tillOrder());
    // Polling runs only while the screen is up; an order waiting behind
    // another screen is the app's to follow until this one shows again.
    if (isAppearing()) {
        startPolling();
        return;
    }
    ledger.left(tillOrder().orderid, Till::now());
    m_followOnAppear = true;
}

void ChoosePayWayViewController::startPolling()
{
    // Another order followed here until now may still be paid: the app
    // follows it on.
    if (m_poller->isPolling() && m_poller->orderid() != tillOrder().orderid)
        Till::ledger().left(m_poller->orderid(), Till::now());
    m_exit->orderChanged();
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = foundation::optionalText(m_orderData, "orderid").value_or("");
    std::weak_ptr<ChoosePayWayViewController> weak = selfPayWay();
    m_poller->start(
        std::move(parameters),
        [weak](const foundation::Json& order) {
            if (auto screen = weak.lock())
                screen->settled(order);
        },
        [order = tillOrder()](const foundation::Json& answer) {
            PaidOrderDelivery::endedAway(answer, order.orderid, order);
        });
}

void ChoosePayWayViewController::settled(const foundation::Json& order)
{
    auto hud = std::move(m_hud);
    m_hud = nullptr;
    if (OrderStatusPoller::endOf(order) == OrderStatusPoller::End::Cancelled) {
        Till::ledger().ended(tillOrder().orderid);
        m_exit->orderCancelled();
    } else {
        m_exit->orderEnded();
        toPayResult(order);
    }
    PromptUtil::closeProgressDialog(hud);
}

void ChoosePayWayViewController::leavePolling()
{
    // Whatever took the screen away, an order still unpaid stays followed:
    // the staff chose to leave it, or were never asked (another screen came
    // over). Its code must not go out again meanwhile.
    if (m_poller->isPolling()) {
        m_poller->stop();
        Till::ledger().left(tillOrder().orderid, Till::now());
    }
    closeWaitingHud();
}

void ChoosePayWayViewController::closeWaitingHud()
{
    if (m_hud) {
        PromptUtil::closeProgressDialog(m_hud);
        m_hud = nullptr;
    }
}

void ChoosePayWayViewController::showWaitingHud()
{
    if (!m_hud)
        m_hud = PromptUtil::showProgressDialog(std::string(waitingText));
}

void ChoosePayWayViewController::toPayResult(const foundation::Json& order)
{
    auto record = tillOrder();
    auto orderid = foundation::optionalText(order, "orderid").value_or(record.orderid);
    bool const recharge = m_consumeType == MobilePayCallbackReceiver::consumeTypeRecharge;
    if (!PaidOrderDelivery::settleOnPayingScreen(order, orderid, record, m_tillSale,
            [&] { return recharge ? memberRecharge(order) : memberConsume(order); }))
        return;
    PayResultViewController::push(*this, order, foundation::formatFixed(m_money, 2), false, false);
}

bool ChoosePayWayViewController::memberConsume(const foundation::Json& order)
{
    return PaidOrderDelivery::handBack(*this, m_tillSale, m_requestPayParams, order, std::nullopt);
}

bool ChoosePayWayViewController::memberRecharge(const foundation::Json& order)
{
    return PaidOrderDelivery::handBack(*this, m_tillSale, m_requestPayParams, order, std::nullopt);
}
