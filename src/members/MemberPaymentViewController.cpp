#include "members/MemberPaymentViewController.h"

#include "api/IphoneDevicesUtils.h"
#include "api/JsonUtil.h"
#include "cashier/ChoosePayWayViewController.h"
#include "cashier/RequestOutcome.h"
#include "cashier/Till.h"
#include "cashier/TillHoldAlert.h"
#include "members/MemberConsumeResultViewController.h"
#include "members/MemberPartRow.h"
#include "members/MemberPayBar.h"
#include "model/VipDetailEntity.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/Keyboard.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextField.h"
#include "ui/AmountFilter.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"

std::string MemberPaymentViewController::paidPartText(const std::string& orderId)
{
    return "移动支付已付款,已绑定订单" + orderId + ",不可修改！";
}

MemberPaymentViewController::~MemberPaymentViewController()
{
    // Gone without its back (a stack reset): an open sale ends, and a paid
    // part nobody gave up is a payment of its own, whose result the app shows.
    if (m_sale)
        Till::ledger().saleLeft(m_sale, false);
}

bool MemberPaymentViewController::isHeld() const
{
    const auto* sale = Till::ledger().sale(m_sale);
    return sale && sale->state == TillLedger::SaleState::Held;
}

std::optional<TillLedger::PaidPart> MemberPaymentViewController::paidMobilePart() const
{
    const auto* sale = Till::ledger().sale(m_sale);
    return sale ? sale->paid : std::nullopt;
}

void MemberPaymentViewController::viewWillAppear(bool animated)
{
    MemberFormViewController::viewWillAppear(animated);
    // Back from the pay-way screen with the mobile part paid: the request
    // goes now, once per return.
    if (auto paid = std::move(m_mobilePayCallbackParams)) {
        m_mobilePayCallbackParams = nullptr;
        sendPayment(paid);
    }
}

void MemberPaymentViewController::mobilePartBoundLate()
{
    auto paid = paidMobilePart();
    if (!paid)
        return;
    // The form shows the part as paid; the staff confirm the rest.
    showPart(mobileType, foundation::doubleValue(paid->money));
    PromptUtil::toast(paidPartText(paid->orderid));
}

void MemberPaymentViewController::viewWillDisappear(bool animated)
{
    MemberFormViewController::viewWillDisappear(animated);
    m_mobilePayCallbackParams = nullptr;
}

double MemberPaymentViewController::buildForm(
    const char* title, const char* amountCaption, const char* amountPlaceholder)
{
    auto root = view();
    double width = root->bounds().width();
    m_scrollView = std::make_shared<kit::ScrollView>(
        graphics::Rect { 0, 0, width, root->bounds().height() - MemberPayBar::height });
    m_scrollView->setName("scrollView");
    root->addSubview(m_scrollView);
    double y = placeCard(title, m_scrollView.get());

    auto amountRow = std::make_shared<kit::View>(graphics::Rect { 0, y, width, MemberPartRow::height + 12 });
    amountRow->setBackgroundColor(graphics::Color::white());
    auto caption = MemberPartRow::makeLabel("", { 15, 17, 80, 22 }, graphics::TextAlignment::Left);
    caption->setText(amountCaption);
    amountRow->addSubview(caption);
    m_tvPayMoney
        = std::make_shared<kit::TextField>(graphics::Rect { 100, 6, width - 115, MemberPartRow::height });
    m_tvPayMoney->setName("tvPayMoney");
    m_tvPayMoney->setPlaceholder(amountPlaceholder);
    m_tvPayMoney->layer().setCornerRadius(3);
    m_tvPayMoney->setClipsToBounds(true);
    m_tvPayMoney->layer().setBorderWidth(0.5);
    m_tvPayMoney->setBorderStyle(kit::TextBorderStyle::RoundedRect);
    m_tvPayMoney->setKeyboardType(kit::KeyboardType::DecimalPad);
    m_tvPayMoney->addTarget(
        selfPayment(), &MemberPaymentViewController::textFieldDidChange, kit::ControlEvent::EditingChanged);
    m_tvPayMoney->layer().setBorderColor(ColorUtil::getUIColorByHex("3AAA24"));
    m_tvPayMoney->setDelegate(self());
    amountRow->addSubview(m_tvPayMoney);
    m_scrollView->addSubview(amountRow);
    m_requestPayParams = std::make_shared<NetUtilSign::Parameters>();
    m_sale = Till::ledger().saleFor(mobilePayConsumeType() == consumeTypeRecharge
            ? TillLedger::SaleKind::Recharge
            : TillLedger::SaleKind::Purchase,
        vipEntity() ? vipEntity()->id().value_or("") : std::string());
    return y + MemberPartRow::height + 12 + 10;
}

std::shared_ptr<kit::Button> MemberPaymentViewController::addPartRow(const char* buttonName,
    const char* title, const char* labelName, std::shared_ptr<kit::Label>& label, double y)
{
    return MemberPartRow::make(*this, *m_scrollView, buttonName, title, labelName, label, y);
}

void MemberPaymentViewController::finishForm(double y)
{
    auto root = view();
    double width = root->bounds().width();
    m_labelHeld
        = MemberPartRow::makeLabel("labelHeld", { 15, y, width - 30, 20 }, graphics::TextAlignment::Left);
    m_labelHeld->setText(heldLineText);
    m_labelHeld->setTextColor(ColorUtil::getUIColorByHex("E60012"));
    m_labelHeld->setHidden(true);
    m_scrollView->addSubview(m_labelHeld);
    m_scrollView->setContentSize({ width, y + 24 });

    std::weak_ptr<MemberPaymentViewController> weak = selfPayment();
    auto& center = foundation::NotificationCenter::defaultCenter();
    m_keyboardWillShow
        = center.addObserverForName(kit::Keyboard::willShowNotification, nullptr, [weak](const auto&) {
              if (auto strong = weak.lock())
                  strong->keyboardWillShow(kit::Keyboard::shared().height());
          });
    m_keyboardWillHide
        = center.addObserverForName(kit::Keyboard::willHideNotification, nullptr, [weak](const auto&) {
              if (auto strong = weak.lock())
                  strong->keyboardWillHide();
          });

    m_viewTotalMoney = std::make_shared<MemberPayBar>(width, root->bounds().height());
    m_viewTotalMoney->btnOk()->addTarget(
        selfPayment(), &MemberPaymentViewController::btnOkClick, kit::ControlEvent::TouchUpInside);
    root->addSubview(m_viewTotalMoney);
    // The sale is the ledger's: its state may change with the form away.
    m_tillWatch = Till::ledger().observe([weak] {
        if (auto strong = weak.lock())
            strong->showHeldLine();
    });
}

void MemberPaymentViewController::showHeldLine()
{
    if (m_labelHeld)
        m_labelHeld->setHidden(!isHeld());
}

void MemberPaymentViewController::resumeSale()
{
    // The member's sale was taken up on an earlier screen: this one goes on with it.
    const auto* sale = Till::ledger().sale(m_sale);
    if (sale && sale->state != TillLedger::SaleState::Open)
        showRequest(sale->request, sale->choice);
    else if (auto paid = paidMobilePart())
        showPart(mobileType, foundation::doubleValue(paid->money));
    showHeldLine();
}

bool MemberPaymentViewController::refuseEdit()
{
    if (!m_submitGate.isOpen()) {
        PromptUtil::toast(sendingText);
        return true;
    }
    if (isHeld()) {
        PromptUtil::toast(heldText);
        return true;
    }
    return false;
}

bool MemberPaymentViewController::refuseMobilePartEdit()
{
    if (refuseEdit())
        return true;
    if (auto paid = paidMobilePart()) {
        PromptUtil::toast(paidPartText(paid->orderid));
        return true;
    }
    return false;
}

bool MemberPaymentViewController::textFieldShouldBeginEditing(kit::TextField&)
{
    return !refuseEdit();
}

bool MemberPaymentViewController::textFieldShouldClear(kit::TextField&)
{
    return !refuseEdit();
}

bool MemberPaymentViewController::textFieldShouldChangeCharactersInRange(
    kit::TextField& textField, kit::TextRange range, const std::string& replacement)
{
    if (refuseEdit())
        return false;
    return AmountFilter::shouldChangeCharacters(
        textField.text(), range, replacement, AmountFilter::Variant::Standard);
}

void MemberPaymentViewController::back()
{
    if (!m_submitGate.isOpen()) {
        // Its answer must find this screen: it may say that money moved.
        PromptUtil::toast(sendingText);
        return;
    }
    std::string title;
    std::string message;
    if (isHeld()) {
        title = "上次提交结果未知";
        message = "离开后,下次为该会员结账时须先重新提交这笔请求。";
    } else if (auto paid = paidMobilePart()) {
        title = "移动支付已付款";
        message = "订单" + paid->orderid + "已付" + paid->money
            + "元,离开后不再计入本次结账,如需退还请到收款记录中退款。";
    } else {
        leave();
        return;
    }
    m_leaveAlertView = kit::AlertView::create(title, message, self(), std::string("继续结账"), { "离开" });
    m_leaveAlertView->show();
}

void MemberPaymentViewController::alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex)
{
    if (&alertView != m_leaveAlertView.get()) {
        BaseViewController::alertViewClickedButtonAtIndex(alertView, buttonIndex);
        return;
    }
    if (buttonIndex != 1)
        return;
    // Answered while another screen covers the form (a payment heard of late
    // opened over it): leaving now would pop that screen instead, and keep
    // this form up as the view of no sale, whose next confirm would charge
    // the sale again. The staff see the form again and may ask again.
    if (!isAppearing())
        return;
    // A held request stays with the sale for the member's next screen; a
    // paid part alone leaves with the staff, who were told of its order.
    leave();
}

void MemberPaymentViewController::leave()
{
    Till::ledger().saleLeft(m_sale, true);
    m_sale = 0;
    BaseViewController::back();
}

void MemberPaymentViewController::touchesEnded(const kit::Touch& touch)
{
    BaseViewController::touchesEnded(touch);
    resignAmountField();
}

void MemberPaymentViewController::btnOkClick()
{
    resignAmountField();
    // The overlay lets touches through: a second tap while the payment is
    // out would pay twice.
    if (!m_submitGate.isOpen())
        return;
    if (!m_hold)
        m_hold = TillHoldAlert::create(*this, TillLedger::MoneyAction::Other);
    std::weak_ptr<MemberPaymentViewController> weak = selfPayment();
    m_hold->whenFree([weak] {
        auto screen = weak.lock();
        if (screen && screen->isAppearing() && screen->m_submitGate.isOpen())
            screen->confirm();
    });
}

void MemberPaymentViewController::resignAmountField()
{
    if (!m_tvPayMoney->isExclusiveTouch())
        m_tvPayMoney->resignFirstResponder();
}

void MemberPaymentViewController::setOkBtnStyle(bool enabled)
{
    m_viewTotalMoney->setOkBtnStyle(enabled);
}

void MemberPaymentViewController::keyboardWillShow(double keyboardHeight)
{
    m_viewTotalMoney->restOnKeyboard(keyboardHeight);
    // A keyboard that covers nothing (a hardware one, as in a desktop
    // window) leaves the form where it is: scrolled, the member's card
    // would only slide under the bar's back button.
    if (keyboardHeight > 0)
        m_scrollView->setContentOffset({ 0, IphoneDevicesUtils::isIphone4Or4s() ? 100.0 : 50.0 });
}

void MemberPaymentViewController::keyboardWillHide()
{
    m_viewTotalMoney->restOnKeyboard(0);
    m_scrollView->setContentOffset({ 0, 0 });
}

const std::shared_ptr<NetUtilSign::Parameters>& MemberPaymentViewController::prepareRequest(
    std::shared_ptr<NetUtilSign::Parameters> fresh)
{
    m_requestPayParams = std::make_shared<NetUtilSign::Parameters>(
        Till::ledger().requestFor(m_sale, fresh ? *fresh : NetUtilSign::Parameters()));
    return m_requestPayParams;
}

bool MemberPaymentViewController::needsMobilePayment() const
{
    return m_requestPayParams && TillLedger::needsMobilePayment(*m_requestPayParams);
}

void MemberPaymentViewController::collectMobilePart(double mobileMoney, std::optional<double> rechargeMoney)
{
    auto payWay = kit::Registry::shared().instantiate<ChoosePayWayViewController>(
        std::string(ChoosePayWayViewController::nibName));
    auto navigation = navigationController();
    if (!payWay || !navigation)
        return;
    payWay->setMoney(mobileMoney);
    if (rechargeMoney)
        payWay->setRechargeMoney(*rechargeMoney);
    payWay->setRequestPayParams(m_requestPayParams);
    payWay->setConsumeType(mobilePayConsumeType());
    payWay->setTillSale(m_sale);
    payWay->setHidesBottomBarWhenPushed(true);
    navigation->pushViewController(payWay, true);
}

void MemberPaymentViewController::sendPayment(const std::shared_ptr<NetUtilSign::Parameters>& params)
{
    if (!params)
        return;
    m_requestPayParams = params;
    auto sale = m_sale;
    Till::ledger().saleSent(sale, *params, formChoice());
    std::weak_ptr<MemberPaymentViewController> weak = selfPayment();
    RequestOutcome::post(
        paymentPath(), std::string("请求支付中..."), *params, NetUtilSign::memberKeyFlag,
        [weak, sale, params, token = m_submitGate.close()](const std::optional<foundation::Json>& reply) {
            if (!RequestOutcome::readsAsAnswer(reply))
                return false;
            // The sale learns its answer even when the screen is gone.
            Till::ledger().saleAnswered(sale, TillLedger::answerOf(reply));
            if (auto strong = weak.lock())
                strong->handlePayment(params, reply);
            return true;
        },
        [weak, sale](RequestOutcome::Kind kind) {
            if (kind == RequestOutcome::Kind::Answered)
                return;
            // The server read nothing (no network, a refused key): the sale
            // is free to change, and its paid mobile part stays bound to it.
            // No answer read: the money may have moved, and the form says so.
            bool lost = kind == RequestOutcome::Kind::Lost;
            Till::ledger().saleAnswered(
                sale, lost ? TillLedger::SaleAnswer::Unknown : TillLedger::SaleAnswer::NotRead);
            if (lost && weak.lock())
                PromptUtil::toast(heldText);
        });
}

void MemberPaymentViewController::handlePayment(
    const std::shared_ptr<NetUtilSign::Parameters>& request, const std::optional<foundation::Json>& reply)
{
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    const auto& data = JsonUtil::data(reply);
    if (!data.is_object() || data.empty())
        return;
    auto result = makeResultScreen(*request);
    result->setData(data);
    if (auto navigation = navigationController())
        navigation->pushViewController(result, true);
}
