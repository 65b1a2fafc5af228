#include "cashier/OrderDetailViewController.h"

#include "api/Constants.h"
#include "api/DateUtil.h"
#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "cashier/CashierViews.h"
#include "cashier/RePayViewController.h"
#include "cashier/RefundViewController.h"
#include "cashier/RequestOutcome.h"
#include "cashier/ScreenAction.h"
#include "cashier/SubmitGuard.h"
#include "cashier/Till.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/Layer.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Screen.h"
#include "platform/kit/ScrollView.h"
#include "ui/ColorUtil.h"
#include "ui/OrderStatusTexts.h"
#include "ui/PromptUtil.h"

#include <cmath>

namespace {

constexpr double rowHeight = 26;

std::string timeText(const foundation::Json& order, std::string_view key)
{
    double seconds = foundation::doubleValue(foundation::valueForKey(order, key));
    return DateUtil::timestampToString(static_cast<std::int64_t>(std::trunc(seconds)));
}

} // namespace

OrderDetailViewController::OrderDetailViewController()
    : m_actionGuard(SubmitGuard::create())
{
}

void OrderDetailViewController::loadView()
{
    auto bounds = kit::Screen::mainScreen().bounds();
    auto root = std::make_shared<kit::View>(bounds);
    root->setBackgroundColor(ColorUtil::getUIColorByHex(CashierViews::pageHex));
    setView(root);
    double width = bounds.width();
    m_scrollView = std::make_shared<kit::ScrollView>(bounds);
    m_scrollView->setName("scrollView");
    root->addSubview(m_scrollView);

    struct Row {
        const char* caption;
        const char* name;
        std::shared_ptr<kit::Label>* outlet;
    };
    const Row rows[] = {
        { "商户名称：", "labelShopName", &m_labelShopName },
        { "收银员编号：", "labelUserNum", &m_labelUserNum },
        { "设备KEY：", "labelKey", &m_labelKey },
        { "订单号：", "labelOrderId", &m_labelOrderId },
        { "交易号：", "labelTradeNum", &m_labelTradeNum },
        { "买家账号：", "labelBuyerAccount", &m_labelBuyerAccount },
        { "卖家账号：", "labelSellerAccount", &m_labelSellerAccount },
        { "创建时间：", "labelAddTime", &m_labelAddTime },
        { "支付时间：", "labelPayTime", &m_labelPayTime },
        { "支付方式：", "labelPayType", &m_labelPayType },
        { "支付渠道：", "labelPayment", &m_labelPayment },
        { "支付状态：", "labelPayStatus", &m_labelPayStatus },
        { "订单状态：", "labelIsRefund", &m_labelIsRefund },
    };
    auto card = CashierViews::panel("detailCard", "FFFFFF");
    double y = CashierViews::navigationBarHeight + 10;
    card->setFrame({ 0, y, width, std::size(rows) * rowHeight + 16 });
    double rowY = 8;
    for (const auto& row : rows) {
        auto caption = CashierViews::label("", 14, "888888", graphics::TextAlignment::Left, row.caption);
        caption->setFrame({ 15, rowY, 95, rowHeight });
        card->addSubview(caption);
        *row.outlet = CashierViews::label(row.name, 14, CashierViews::darkTextHex);
        (*row.outlet)->setFrame({ 110, rowY, width - 125, rowHeight });
        card->addSubview(*row.outlet);
        rowY += rowHeight;
    }
    m_scrollView->addSubview(card);
    y += card->frame().height() + 10;

    m_labelOrderMoney = CashierViews::label("labelOrderMoney", 15, CashierViews::darkTextHex);
    m_labelOrderPayMoney = CashierViews::label("labelOrderPayMoney", 15, "E60012");
    m_labelOrderMoney->setFrame({ 15, y, width - 30, 24 });
    m_labelOrderPayMoney->setFrame({ 15, y + 24, width - 30, 24 });
    m_scrollView->addSubview(m_labelOrderMoney);
    m_scrollView->addSubview(m_labelOrderPayMoney);
    m_labelMoneyState = CashierViews::label("labelMoneyState", 13, "E60012");
    m_labelMoneyState->setFrame({ 15, y + 48, width - 30, 20 });
    m_labelMoneyState->setHidden(true);
    m_scrollView->addSubview(m_labelMoneyState);
    y += 72;
    m_operationContainer = std::make_shared<kit::View>(graphics::Rect { 0, y, width, buttonHeight });
    m_operationContainer->setName("operationContainer");
    m_scrollView->addSubview(m_operationContainer);
}

void OrderDetailViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
}

void OrderDetailViewController::initViews()
{
    setTitle("订单详情");
    auto bounds = view()->bounds();
    m_scrollView->setContentSize({ bounds.width(), bounds.height() + 10 });
    m_scrollView->setContentInset({ 0, 0, 0, 0 });
    m_scrollView->setContentOffset({ 0, 0 });
    m_scrollView->setBounces(true);
    m_scrollView->setScrollEnabled(true);
    m_labelOrderMoney->setTextAlignment(graphics::TextAlignment::Right);
    m_labelOrderPayMoney->setTextAlignment(graphics::TextAlignment::Right);

    auto self = selfDetail();
    m_btnRefreshStatus = getOperationButton("更新订单");
    m_btnRefreshStatus->setName("btnRefreshStatus");
    m_btnRefreshStatus->addTarget(
        self, &OrderDetailViewController::refreshOrder, kit::ControlEvent::TouchUpInside);
    m_btnRePay = getOperationButton("重新付款");
    m_btnRePay->setName("btnRePay");
    m_btnRePay->addTarget(self, &OrderDetailViewController::restartPay, kit::ControlEvent::TouchUpInside);
    m_btnCancelOrder = getOperationButton("撤销");
    m_btnCancelOrder->setName("btnCancelOrder");
    m_btnCancelOrder->addTarget(
        self, &OrderDetailViewController::cancelOrder, kit::ControlEvent::TouchUpInside);
    m_btnRefund = getOperationButton("退款");
    m_btnRefund->setName("btnRefund");
    m_btnRefund->addTarget(self, &OrderDetailViewController::refund, kit::ControlEvent::TouchUpInside);
    m_actionGuard->setControls({ m_btnRefreshStatus, m_btnRePay, m_btnCancelOrder, m_btnRefund });
}

// Deliberately not the base appearance step: this screen only loads.
void OrderDetailViewController::viewWillAppear(bool animated)
{
    kit::ViewController::viewWillAppear(animated);
    if (!m_orderId.empty()) {
        // Said before the load, which may fail: another screen's refund may be unknown.
        showMoneyState();
        getOrderDetailById();
        return;
    }
    fillData();
    // An order the search handed over is fetched on every later appearance,
    // like one opened from the list.
    m_orderId = field("orderid");
    m_orderType = field("payment");
}

void OrderDetailViewController::viewWillDisappear(bool animated)
{
    kit::ViewController::viewWillDisappear(animated);
    ++m_generation;
    m_actionGuard->release();
}

ScreenAction::IsCurrent OrderDetailViewController::isCurrent()
{
    return [weak = std::weak_ptr<OrderDetailViewController>(selfDetail()), generation = m_generation] {
        auto screen = weak.lock();
        return screen && screen->m_generation == generation;
    };
}

std::string OrderDetailViewController::field(std::string_view key) const
{
    return foundation::optionalText(m_orderEntity, key).value_or("");
}

void OrderDetailViewController::getOrderDetailById()
{
    load(LoadKind::OnAppear, m_orderId, m_orderType);
}

void OrderDetailViewController::refreshOrder()
{
    if (m_actionGuard->isBlocked())
        return;
    load(LoadKind::ByButton, field("orderid"), field("payment"));
}

void OrderDetailViewController::refreshOrderNoLoading()
{
    load(LoadKind::AfterCancel, field("orderid"), field("payment"));
}

void OrderDetailViewController::load(LoadKind kind, const std::string& orderId, const std::string& payment)
{
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = orderId;
    parameters["m_paytype"] = payment;
    std::shared_ptr<RequestSettledToken> token;
    if (kind == LoadKind::ByButton)
        token = m_actionGuard->block();
    std::weak_ptr<OrderDetailViewController> weak = selfDetail();
    std::uint64_t generation = ++m_generation;
    auto fetched = Till::ledger().fetchStarted();
    NetUtilSign::doPost(detailsPath, std::nullopt, NetUtilSign::receivableKeyFlag, parameters,
        [weak, generation, kind, token, orderId, fetched](const std::optional<std::string>& reply) {
            auto json = JsonUtil::getJSONObject(reply);
            const auto& data = JsonUtil::data(json);
            // The order as the back end holds it now: whatever this screen
            // does with it, a refund or cancel of unknown outcome is known.
            if (JsonUtil::isSuccess(json) && data.is_object())
                Till::ledger().orderFetched(orderId, fetched);
            auto screen = weak.lock();
            if (!screen || generation != screen->m_generation)
                return;
            if (!JsonUtil::isSuccess(json) || !data.is_object()) {
                if (kind == LoadKind::OnAppear)
                    PromptUtil::toast("获取订单详情失败,请重试！");
                else if (kind == LoadKind::ByButton)
                    PromptUtil::toast("刷新订单失败,请重试！");
                return;
            }
            if (kind == LoadKind::ByButton)
                PromptUtil::toast("更新成功！");
            screen->m_orderEntity = data;
            screen->fillData();
        });
}

void OrderDetailViewController::fillData()
{
    const auto& order = m_orderEntity;
    auto& defaults = userDefaults();
    m_labelShopName->setText(field("shopname"));
    m_labelUserNum->setText(defaults.stringForKey(USER_ID).value_or(""));
    // The device's own key only: a merchant key stored there is never shown.
    auto appKey = defaults.stringForKey(APP_KEY).value_or("");
    for (auto secret : { KEY_RECEIVABLE, KEY_RECEIVABLE_ENCRYPT, KEY_MEMBER, KEY_MEMBER_ENCRYPT }) {
        if (!appKey.empty() && defaults.stringForKey(secret) == appKey)
            appKey.clear();
    }
    m_labelKey->setText(appKey);
    m_labelOrderId->setText(field("orderid"));
    m_labelTradeNum->setText(field("trade_no"));
    m_labelBuyerAccount->setText(field("buyer_account"));
    m_labelAddTime->setText(timeText(order, "addtime"));
    auto paystatus = foundation::optionalText(order, "paystatus");
    m_labelPayType->setText(OrderStatusTexts::payTypeText(foundation::optionalText(order, "paytype")));
    m_labelPayStatus->setText(OrderStatusTexts::payStatusText(paystatus));
    m_labelIsRefund->setText(OrderStatusTexts::refundText(foundation::optionalText(order, "is_refund")));
    m_labelPayment->setText(OrderStatusTexts::paymentText(foundation::optionalText(order, "payment")));
    m_labelPayTime->setText(paystatus == "1" ? timeText(order, "paytime") : std::string());
    m_labelOrderMoney->setText("订单金额："
        + foundation::formatFixed(foundation::doubleValue(foundation::valueForKey(order, "paymoney")), 2)
        + "元 ");
    double received = foundation::doubleValue(foundation::valueForKey(order, "pri_paymoney"));
    m_labelOrderPayMoney->setText("实收金额：" + foundation::formatFixed(received, 2) + "元 ");

    showMoneyState();
    for (auto& button : { m_btnRefreshStatus, m_btnRePay, m_btnCancelOrder, m_btnRefund })
        button->removeFromSuperview();
    std::string status = field("paystatus");
    std::string refunded = field("is_refund");
    std::vector<std::shared_ptr<kit::Button>> shown;
    if (status == "0" && refunded == "0" && field("paytype") == "2")
        shown.push_back(m_btnRePay);
    if (status == "0" && refunded == "0")
        shown.push_back(m_btnCancelOrder);
    if (status == "1" && (refunded == "0" || (refunded == "2" && received > 0)))
        shown.push_back(m_btnRefund);
    m_operationBtnCount = 1 + static_cast<int>(shown.size());
    m_btnRefreshStatus->setFrame(getLeftButtonFrame());
    m_operationContainer->addSubview(m_btnRefreshStatus);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        shown[i]->setFrame(getOtherButtonFrame(static_cast<int>(i) + 1));
        m_operationContainer->addSubview(shown[i]);
    }
}

void OrderDetailViewController::showMoneyState()
{
    auto& ledger = Till::ledger();
    auto orderid = m_orderId.empty() ? field("orderid") : m_orderId;
    std::string state;
    if (auto refund = ledger.refundState(orderid))
        state = std::string(*refund == TillLedger::Outcome::Out ? refundOutText : refundUnknownText);
    else if (ledger.cancelState(orderid) == TillLedger::Outcome::Unknown)
        state = "撤销订单结果未知,请先获取订单最新状态！";
    m_labelMoneyState->setText(state);
    m_labelMoneyState->setHidden(state.empty());
}

std::shared_ptr<kit::Button> OrderDetailViewController::getOperationButton(const std::string& title)
{
    auto button = CashierViews::greenButton("", title, 14);
    button->layer().setCornerRadius(8);
    return button;
}

graphics::Rect OrderDetailViewController::getLeftButtonFrame()
{
    return getOtherButtonFrame(0);
}

graphics::Rect OrderDetailViewController::getOtherButtonFrame(int position)
{
    double width = view()->bounds().width();
    double n = m_operationBtnCount;
    double x = std::floor((width - buttonWidth * n - buttonGap * n) / 2);
    return { x + (buttonWidth + buttonGap) * position, 0, buttonWidth, buttonHeight };
}

void OrderDetailViewController::restartPay()
{
    if (m_actionGuard->isBlocked())
        return;
    std::string status = field("paystatus");
    std::string refunded = field("is_refund");
    const char* refusal = nullptr;
    if (status == "1")
        refusal = "该订单已付款成功,无需重新支付！";
    else if (refunded == "1")
        refusal = "该订单已撤销,无需重新支付！";
    else if (refunded == "2")
        refusal = "该订单已退款,无需重新支付！";
    else if (status == "2")
        refusal = "只有待付款订单才能重新支付！";
    else if (field("paytype") != "2")
        refusal = "重新支付只支持二维码扫描方式！";
    if (refusal) {
        PromptUtil::toast(refusal);
        return;
    }
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = field("orderid");
    parameters["m_paytype"] = field("payment");
    std::weak_ptr<OrderDetailViewController> weak = selfDetail();
    ScreenAction::post(repayPath, std::nullopt, parameters, m_actionGuard->block(), isCurrent(),
        [weak](const foundation::Json& data) {
            auto screen = weak.lock();
            auto navigation = screen ? screen->navigationController() : nullptr;
            auto repay = navigation && screen->mainStoryboard()
                ? screen->mainStoryboard()->instantiate<RePayViewController>(
                    std::string(RePayViewController::nibName))
                : nullptr;
            if (!repay)
                return;
            // A Baidu Wallet order is shown and polled as one, not as WeChat Pay.
            repay->setPayWay(screen->field("payment"));
            repay->setMoney(foundation::optionalText(data, "paymoney").value_or(""));
            repay->setImgUrl(foundation::optionalText(data, "pic_url").value_or(""));
            repay->setOrderId(foundation::optionalText(data, "orderid").value_or(""));
            repay->setIsFromOrderDetailInto(true);
            navigation->pushViewController(repay, true);
        });
}

void OrderDetailViewController::cancelOrder()
{
    if (m_actionGuard->isBlocked())
        return;
    std::string status = field("paystatus");
    std::string refunded = field("is_refund");
    const char* refusal = nullptr;
    if (refunded == "1")
        refusal = "该订单已撤销,无法进行撤销！";
    else if (refunded == "2")
        refusal = "该订单已退款,无法进行撤销！";
    else if (status == "1")
        refusal = "该订单已付款成功,无法进行撤销！";
    else if (status == "2")
        refusal = "只有待付款的订单才能撤销！";
    if (refusal) {
        PromptUtil::toast(refusal);
        return;
    }
    initConfirmAlertView("您确定要撤销该订单吗？");
    m_confirmAlertView->show();
}

void OrderDetailViewController::initConfirmAlertView(const std::string& title)
{
    m_confirmAlertView = kit::AlertView::create(title, "",
        std::static_pointer_cast<kit::AlertViewDelegate>(selfDetail()), std::string("确定"), { "取消" });
}

void OrderDetailViewController::alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex)
{
    if (m_confirmAlertView && &alertView == m_confirmAlertView.get()) {
        if (buttonIndex == 0)
            cancelRequest();
        return;
    }
    BaseViewController::alertViewClickedButtonAtIndex(alertView, buttonIndex);
}

void OrderDetailViewController::cancelRequest()
{
    if (m_actionGuard->isBlocked())
        return;
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = field("orderid");
    parameters["m_paytype"] = field("payment");
    TillLedger::Request sent;
    sent.kind = TillLedger::RequestKind::Cancel;
    sent.orderid = field("orderid");
    sent.wallet = field("payment");
    auto id = Till::ledger().sent(sent);
    std::weak_ptr<OrderDetailViewController> weak = selfDetail();
    RequestOutcome::post(
        cancelPath, std::nullopt, parameters, NetUtilSign::receivableKeyFlag,
        [weak, isCurrent = isCurrent(), token = m_actionGuard->block()](
            const std::optional<foundation::Json>& reply) {
            if (!RequestOutcome::readsAsAnswer(reply))
                return false;
            if (!isCurrent())
                return true;
            PromptUtil::toast(JsonUtil::isSuccess(reply) ? std::string("撤销订单成功！")
                                                         : JsonUtil::info(reply).value_or(""));
            // Refused or not, the order as it stands now (cancelled already, say).
            if (auto screen = weak.lock())
                screen->refreshOrderNoLoading();
            return true;
        },
        [weak, id, isCurrent = isCurrent()](RequestOutcome::Kind kind) {
            RequestOutcome::tell(Till::ledger(), id, kind);
            auto screen = weak.lock();
            if (!screen || !isCurrent())
                return;
            screen->showMoneyState();
            if (kind == RequestOutcome::Kind::Lost) {
                PromptUtil::toast(std::string(cancelLostText));
                screen->refreshOrderNoLoading();
            }
        });
}

void OrderDetailViewController::refund()
{
    if (m_actionGuard->isBlocked())
        return;
    // A refund of unknown outcome, here or on any screen, may have been paid:
    // none goes out until the order has been fetched since.
    if (auto state = Till::ledger().refundState(field("orderid"))) {
        PromptUtil::toast(
            std::string(*state == TillLedger::Outcome::Out ? refundOutText : refundUnknownText));
        showMoneyState();
        return;
    }
    std::string status = field("paystatus");
    std::string refunded = field("is_refund");
    double received = foundation::doubleValue(foundation::valueForKey(m_orderEntity, "pri_paymoney"));
    const char* refusal = nullptr;
    if (status == "0" || status == "2")
        refusal = "该订单还未付款,无法进行退款！";
    else if (refunded == "1")
        refusal = "该订单已撤销,无法进行退款！";
    else if (refunded == "2" && !(received > 0))
        refusal = "该订单已退款,无法进行退款！";
    if (refusal) {
        PromptUtil::toast(refusal);
        return;
    }
    auto navigation = navigationController();
    auto refund = mainStoryboard()
        ? mainStoryboard()->instantiate<RefundViewController>(std::string(RefundViewController::nibName))
        : nullptr;
    if (!refund || !navigation)
        return;
    refund->setOrderId(field("orderid"));
    refund->setPaymoney(field("paymoney"));
    refund->setPri_paymoney(field("pri_paymoney"));
    refund->setPayTime(timeText(m_orderEntity, "paytime"));
    refund->setPayment(field("payment"));
    navigation->pushViewController(refund, true);
}
