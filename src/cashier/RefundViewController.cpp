#include "cashier/RefundViewController.h"

#include "api/Constants.h"
#include "api/JsonUtil.h"
#include "api/Md5Util.h"
#include "api/NetUtilSign.h"
#include "cashier/CashierViews.h"
#include "cashier/CollectInputRules.h"
#include "cashier/RequestOutcome.h"
#include "cashier/SubmitGuard.h"
#include "cashier/Till.h"
#include "cashier/TillHoldAlert.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationBar.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TextField.h"
#include "ui/AmountFilter.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"
#include "ui/ShopOwnerCheck.h"

RefundViewController::RefundViewController()
    : m_submitGuard(SubmitGuard::create())
{
}

void RefundViewController::loadView()
{
    auto bounds = kit::Screen::mainScreen().bounds();
    auto root = std::make_shared<kit::View>(bounds);
    root->setBackgroundColor(ColorUtil::getUIColorByHex(CashierViews::pageHex));
    setView(root);
    double width = bounds.width();
    double y = CashierViews::navigationBarHeight + 20;
    m_tvRefundMoney = std::make_shared<kit::TextField>(graphics::Rect { 15, y, width - 30, 44 });
    m_tvRefundMoney->setName("tvRefundMoney");
    m_tvRefundMoney->setBorderStyle(kit::TextBorderStyle::RoundedRect);
    m_tvRefundMoney->setBackgroundColor(graphics::Color::white());
    root->addSubview(m_tvRefundMoney);
    m_labelMsg = CashierViews::label("labelMsg", 14, "666666");
    m_labelMsg->setNumberOfLines(0);
    m_labelMsg->setFrame({ 15, y + 60, width - 30, 120 });
    root->addSubview(m_labelMsg);
    m_btnOk = CashierViews::greenButton("btnOk", "确定");
    m_btnOk->setFrame({ 15, y + 200, width - 30, 44 });
    root->addSubview(m_btnOk);
}

void RefundViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
}

void RefundViewController::initViews()
{
    setTitle("订单退款");
    if (auto navigation = navigationController())
        navigation->navigationBar()->setTitleTextColor(graphics::Color::white());
    m_submitGuard->setControls({ m_btnOk });
    m_btnOk->addTarget(selfRefund(), &RefundViewController::btnClick, kit::ControlEvent::TouchUpInside);
    m_tvRefundMoney->setDelegate(std::static_pointer_cast<kit::TextFieldDelegate>(selfRefund()));
    m_tvRefundMoney->setKeyboardType(kit::KeyboardType::DecimalPad);
    showAmounts();
}

void RefundViewController::showAmounts()
{
    double received = foundation::doubleValue(m_pri_paymoney);
    m_tvRefundMoney->setPlaceholder("当前可退" + foundation::formatFixed(received, 2) + "元");
    m_labelMsg->setText("订单金额：" + foundation::formatFixed(foundation::doubleValue(m_paymoney), 2)
        + "元 , 实收金额：" + foundation::formatFixed(received, 2) + "元 \n\n订单号：    " + m_orderId
        + " \n\n支付时间： " + m_payTime);
}

bool RefundViewController::isOutcomeUnknown() const
{
    return Till::ledger().refundState(m_orderId) == TillLedger::Outcome::Unknown;
}

bool RefundViewController::isRefundOut() const
{
    return Till::ledger().refundState(m_orderId) == TillLedger::Outcome::Out;
}

void RefundViewController::back()
{
    // Its reply says whether the money went; leaving would not hear it.
    if (isRefundOut() && m_submitGuard->isBlocked()) {
        PromptUtil::toast(std::string(refundingText));
        return;
    }
    BaseViewController::back();
}

void RefundViewController::viewWillDisappear(bool animated)
{
    BaseViewController::viewWillDisappear(animated);
    // A reply that comes back once the screen has gone changes nothing here.
    ++m_generation;
    m_submitGuard->release();
}

bool RefundViewController::textFieldShouldChangeCharactersInRange(
    kit::TextField& textField, kit::TextRange range, const std::string& replacement)
{
    return AmountFilter::shouldChangeCharacters(
        textField.text(), range, replacement, AmountFilter::Variant::Refund);
}

void RefundViewController::touchesEnded(const kit::Touch&)
{
    if (!m_tvRefundMoney->isExclusiveTouch())
        m_tvRefundMoney->resignFirstResponder();
}

bool RefundViewController::isShopOwner() const
{
    return userDefaults().stringForKey(USER_JOB) == "2";
}

bool RefundViewController::checkAmount()
{
    std::string amount = m_tvRefundMoney->text();
    if (amount.empty()) {
        PromptUtil::toast("请输入退款金额！");
        return false;
    }
    // In cents, so that the whole amount received passes and a cent more does not.
    auto cents = CollectInputRules::cents(amount);
    if (!cents || *cents <= 0) {
        PromptUtil::toast("请输入正确的退款金额！");
        return false;
    }
    if (*cents > CollectInputRules::centsOfValue(foundation::doubleValue(m_pri_paymoney))) {
        PromptUtil::toast("退款金额不可大于实收金额！");
        return false;
    }
    return true;
}

bool RefundViewController::refusedWhileUnknown()
{
    if (isRefundOut()) {
        PromptUtil::toast(std::string(refundingText));
        return true;
    }
    if (!isOutcomeUnknown())
        return false;
    PromptUtil::toast(std::string(outcomeUnknownText));
    if (!m_submitGuard->isBlocked())
        showFetchAgainAlert();
    return true;
}

void RefundViewController::btnClick()
{
    if (m_submitGuard->isBlocked() || refusedWhileUnknown() || !checkAmount())
        return;
    if (!m_hold)
        m_hold = TillHoldAlert::create(*this, TillLedger::MoneyAction::Other);
    std::weak_ptr<RefundViewController> weak = selfRefund();
    m_hold->whenFree([weak] {
        auto screen = weak.lock();
        if (!screen || !screen->isAppearing())
            return;
        if (screen->isShopOwner())
            screen->showConfirmAlert();
        else
            screen->checkIsShopOwner();
    });
}

void RefundViewController::checkIsShopOwner()
{
    // Kept and shown again, with what was typed.
    if (!m_validateShopownerAlertView) {
        m_validateShopownerAlertView = kit::AlertView::create("验证店长权限", "",
            std::static_pointer_cast<kit::AlertViewDelegate>(selfRefund()), std::string("确定"), { "取消" });
        m_validateShopownerAlertView->setAlertViewStyle(kit::AlertViewStyle::LoginAndPasswordInput);
        m_validateShopownerAlertView->textFieldAtIndex(0)->setPlaceholder("请输入用户名");
        m_validateShopownerAlertView->textFieldAtIndex(1)->setPlaceholder("请输入密码");
    }
    m_validateShopownerAlertView->show();
}

void RefundViewController::showConfirmAlert()
{
    m_confirmAlertView = kit::AlertView::create("您确定要退款吗？", "",
        std::static_pointer_cast<kit::AlertViewDelegate>(selfRefund()), std::string("确定"), { "取消" });
    m_confirmAlertView->show();
}

void RefundViewController::alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex)
{
    if (m_confirmAlertView && &alertView == m_confirmAlertView.get()) {
        if (buttonIndex == 0)
            refundRequest();
        return;
    }
    if (m_fetchAgainAlertView && &alertView == m_fetchAgainAlertView.get()) {
        if (buttonIndex == 0 && !m_submitGuard->isBlocked())
            fetchOrder();
        return;
    }
    if (!m_validateShopownerAlertView || &alertView != m_validateShopownerAlertView.get()) {
        BaseViewController::alertViewClickedButtonAtIndex(alertView, buttonIndex);
        return;
    }
    if (buttonIndex != 0 || m_submitGuard->isBlocked())
        return;
    auto credentials = ShopOwnerCheck::typedCredentials(alertView);
    if (!credentials)
        return;
    m_ownerUsername = credentials->name;
    m_ownerPassword = credentials->password;
    auto parameters = ShopOwnerCheck::parameters(*credentials);
    auto token = m_submitGuard->block();
    std::weak_ptr<RefundViewController> weak = selfRefund();
    std::uint64_t generation = m_generation;
    NetUtilSign::doPost(checkStaffPath, std::nullopt, NetUtilSign::receivableKeyFlag, parameters,
        [weak, generation, token](const std::optional<std::string>& reply) {
            auto screen = weak.lock();
            if (!screen || generation != screen->m_generation)
                return;
            auto& ownerAlert = *screen->m_validateShopownerAlertView;
            if (ShopOwnerCheck::isShopOwner(reply)) {
                ownerAlert.textFieldAtIndex(0)->setText("");
                ownerAlert.textFieldAtIndex(1)->setText("");
                PromptUtil::toast(std::string(ShopOwnerCheck::acceptedMessage));
                screen->showConfirmAlert();
                return;
            }
            PromptUtil::toast(std::string(ShopOwnerCheck::refusedMessage));
            ownerAlert.show();
        });
}

void RefundViewController::refundRequest()
{
    if (m_submitGuard->isBlocked() || refusedWhileUnknown() || !checkAmount())
        return;
    auto& defaults = userDefaults();
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = m_orderId;
    parameters["reason"] = "";
    parameters["mid"] = defaults.stringForKey(USER_ID).value_or("");
    parameters["refundmoney"] = m_tvRefundMoney->text();
    if (isShopOwner()) {
        parameters["username"] = defaults.stringForKey(USER_NAME).value_or("");
        parameters["password"] = defaults.stringForKey(PASS_WORD).value_or("");
    } else {
        parameters["username"] = m_ownerUsername;
        parameters["password"] = Md5Util::md5_32(m_ownerPassword);
    }
    TillLedger::Request sent;
    sent.kind = TillLedger::RequestKind::Refund;
    sent.orderid = m_orderId;
    sent.wallet = m_payment;
    sent.money = parameters["refundmoney"];
    auto id = Till::ledger().sent(sent);
    std::weak_ptr<RefundViewController> weak = selfRefund();
    RequestOutcome::post(
        refundPath, std::nullopt, parameters, NetUtilSign::receivableKeyFlag,
        [weak, token = m_submitGuard->block()](const std::optional<foundation::Json>& reply) {
            if (!RequestOutcome::readsAsAnswer(reply))
                return false;
            if (!JsonUtil::isSuccess(reply)) {
                PromptUtil::toast(JsonUtil::info(reply));
                return true;
            }
            // The money went: said even if the screen has gone meanwhile.
            PromptUtil::toast("退款成功！");
            auto screen = weak.lock();
            auto navigation = screen ? screen->navigationController() : nullptr;
            if (navigation && navigation->topViewController() == screen)
                navigation->popViewControllerAnimated(true);
            return true;
        },
        [weak, id](RequestOutcome::Kind kind) {
            RequestOutcome::tell(Till::ledger(), id, kind);
            auto screen = weak.lock();
            if (!screen)
                return;
            if (kind == RequestOutcome::Kind::Lost) {
                PromptUtil::toast(std::string(outcomeUnknownText));
                screen->fetchOrder();
            }
        });
}

void RefundViewController::fetchOrder()
{
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = m_orderId;
    if (!m_payment.empty())
        parameters["m_paytype"] = m_payment;
    std::weak_ptr<RefundViewController> weak = selfRefund();
    auto fetched = Till::ledger().fetchStarted();
    RequestOutcome::post(
        orderPath, std::string(fetchingText), parameters, NetUtilSign::receivableKeyFlag,
        [weak, fetched, token = m_submitGuard->block()](const std::optional<foundation::Json>& reply) {
            const auto& order = JsonUtil::data(reply);
            auto screen = weak.lock();
            if (!screen || !JsonUtil::isSuccess(reply) || !order.is_object())
                return false;
            // What the back end now holds; the amount is typed again against it.
            Till::ledger().orderFetched(screen->m_orderId, fetched);
            screen->m_paymoney = foundation::optionalText(order, "paymoney").value_or(screen->m_paymoney);
            screen->m_pri_paymoney = foundation::optionalText(order, "pri_paymoney").value_or("0");
            screen->m_tvRefundMoney->setText("");
            screen->showAmounts();
            PromptUtil::toast("已获取订单最新状态,当前可退"
                + foundation::formatFixed(foundation::doubleValue(screen->m_pri_paymoney), 2) + "元");
            return true;
        },
        [weak](RequestOutcome::Kind kind) {
            auto screen = weak.lock();
            if (screen && kind != RequestOutcome::Kind::Answered)
                screen->showFetchAgainAlert();
        });
}

void RefundViewController::showFetchAgainAlert()
{
    if (!m_fetchAgainAlertView) {
        m_fetchAgainAlertView = kit::AlertView::create("退款结果未知", "未能获取订单最新状态,请重试",
            std::static_pointer_cast<kit::AlertViewDelegate>(selfRefund()), std::string("重试"), { "取消" });
    }
    m_fetchAgainAlertView->show();
}
