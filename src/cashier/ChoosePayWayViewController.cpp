#include "cashier/ChoosePayWayViewController.h"

#include "api/Constants.h"
#include "api/JsonUtil.h"
#include "cashier/CashierViews.h"
#include "cashier/CollectInputRules.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "cashier/MobilePayHandOff.h"
#include "cashier/OrderStatusPoller.h"
#include "cashier/PayResultViewController.h"
#include "cashier/QRCodePayViewController.h"
#include "cashier/SubmitGuard.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Screen.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"

#include <tuple>

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
{
}

ChoosePayWayViewController::~ChoosePayWayViewController()
{
    m_poller->stop();
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
    m_submitGuard->setControls({ m_btnScan });
    std::weak_ptr<ChoosePayWayViewController> weak = self;
    m_poller->setOnPoll([weak] {
        if (auto screen = weak.lock())
            screen->showWaitingHud();
    });
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
    stopPolling();
}

void ChoosePayWayViewController::viewWillDisappear(bool animated)
{
    BaseViewController::viewWillDisappear(animated);
    // A barcode reply that comes back while another screen is up would
    // start polling behind it; the code can be scanned again instead.
    ++m_barcodeGeneration;
    m_submitGuard->release();
    stopPolling();
}

void ChoosePayWayViewController::viewDidDisappear(bool animated)
{
    BaseViewController::viewDidDisappear(animated);
    stopPolling();
}

bool ChoosePayWayViewController::isPolling() const
{
    return m_poller->isPolling();
}

void ChoosePayWayViewController::btnClick(kit::Control& sender)
{
    if (&sender == m_btnScan.get()) {
        if (!m_submitGuard->isBlocked())
            toScanUI();
        return;
    }
    if (&sender == m_btnAlipayCode.get())
        openQrCode(PAY_TYPE_ALIPAY);
    else if (&sender == m_btnWxpayCode.get())
        openQrCode(PAY_TYPE_WXPAY);
    else if (&sender == m_btnBdpayCode.get())
        openQrCode(PAY_TYPE_BDPAY);
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
    NetUtilSign::Parameters parameters;
    parameters["money"] = foundation::formatFixed(m_money, 2);
    parameters["dynamic_id"] = code;
    parameters["m_paytype"] = std::string(wallet);
    auto token = m_submitGuard->block();
    std::weak_ptr<ChoosePayWayViewController> weak = selfPayWay();
    std::uint64_t generation = m_barcodeGeneration;
    NetUtilSign::doPost(barcodePath, std::string("请求支付中..."), NetUtilSign::receivableKeyFlag, parameters,
        [weak, generation, token](const std::optional<std::string>& reply) {
            if (auto screen = weak.lock())
                screen->handleBarcodeReply(generation, reply);
        });
}

void ChoosePayWayViewController::handleBarcodeReply(
    std::uint64_t generation, const std::optional<std::string>& reply)
{
    if (generation != m_barcodeGeneration)
        return;
    auto json = JsonUtil::getJSONObject(reply);
    const auto& data = JsonUtil::data(json);
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
        PromptUtil::toast(JsonUtil::info(json).value_or("支付失败,请重试！"));
        return;
    }
    startPolling();
}

void ChoosePayWayViewController::startPolling()
{
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = foundation::optionalText(m_orderData, "orderid").value_or("");
    std::weak_ptr<ChoosePayWayViewController> weak = selfPayWay();
    m_poller->start(std::move(parameters), [weak](const foundation::Json& order) {
        auto screen = weak.lock();
        if (!screen)
            return;
        auto hud = std::move(screen->m_hud);
        screen->toPayResult(order);
        PromptUtil::closeProgressDialog(hud);
    });
}

void ChoosePayWayViewController::stopPolling()
{
    m_poller->stop();
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
    // A paid member part goes back to its member screen; anything else shows the result.
    if (MobilePayHandOff::isPaidMemberPart(m_consumeType, order)) {
        if (m_consumeType == MobilePayCallbackReceiver::consumeTypePurchase)
            memberConsume(order);
        else
            memberRecharge(order);
        return;
    }
    PayResultViewController::push(*this, order, foundation::formatFixed(m_money, 2), false, false);
}

void ChoosePayWayViewController::memberConsume(const foundation::Json& order)
{
    MobilePayHandOff::returnPaidRequest(
        *this, MobilePayCallbackReceiver::consumeTypePurchase, m_requestPayParams, order, std::nullopt);
}

void ChoosePayWayViewController::memberRecharge(const foundation::Json& order)
{
    MobilePayHandOff::returnPaidRequest(
        *this, MobilePayCallbackReceiver::consumeTypeRecharge, m_requestPayParams, order, std::nullopt);
}
