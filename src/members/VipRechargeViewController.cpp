#include "members/VipRechargeViewController.h"

#include "api/DecimalUtil.h"
#include "api/IphoneDevicesUtils.h"
#include "api/JsonUtil.h"
#include "api/URLConfig.h"
#include "cashier/ChoosePayWayViewController.h"
#include "members/ChooseRechargeRuleViewController.h"
#include "members/InputPayMoneyViewController.h"
#include "members/MemberCardView.h"
#include "members/MemberPartRow.h"
#include "members/MemberPayBar.h"
#include "members/MemberRechargeResultViewController.h"
#include "members/VipConsumeRequest.h"
#include "members/VipRechargePricing.h"
#include "model/RechargeRuleEntity.h"
#include "model/VipDetailEntity.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/Button.h"
#include "platform/kit/Keyboard.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Registry.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextField.h"
#include "ui/AmountFilter.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"
#include "ui/TitleLabel.h"

void VipRechargeViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    screenAdapter();
}

void VipRechargeViewController::viewWillAppear(bool animated)
{
    // Not the base step: the bar stays transparent over the member's card.
    kit::ViewController::viewWillAppear(animated);
    MemberCardView::applyTransparentBar(*this);
    if (auto paid = std::move(m_mobilePayCallbackParams)) {
        m_mobilePayCallbackParams = nullptr;
        m_paidRequest = paid;
        finishRecharge(paid);
    }
}

void VipRechargeViewController::viewWillDisappear(bool animated)
{
    BaseViewController::viewWillDisappear(animated);
    m_mobilePayCallbackParams = nullptr;
}

void VipRechargeViewController::initViews()
{
    initNavigatonBackButton();
    navigationItem()->setTitleView(TitleLabel::make("会员充值"));
    auto root = view();
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F5F3F2"));
    double width = root->bounds().width();
    double height = root->bounds().height();

    m_scrollView
        = std::make_shared<kit::ScrollView>(graphics::Rect { 0, 0, width, height - MemberPayBar::height });
    m_scrollView->setName("scrollView");
    root->addSubview(m_scrollView);
    m_card = std::make_shared<MemberCardView>(width);
    m_scrollView->addSubview(m_card);
    if (m_vipEntity)
        m_card->fill(*m_vipEntity);

    double y = MemberCardView::height + 10;
    auto amountRow = std::make_shared<kit::View>(graphics::Rect { 0, y, width, MemberPartRow::height + 12 });
    amountRow->setBackgroundColor(graphics::Color::white());
    auto caption = MemberPartRow::makeLabel("", { 15, 17, 80, 22 }, graphics::TextAlignment::Left);
    caption->setText("充值金额");
    amountRow->addSubview(caption);
    m_tvPayMoney
        = std::make_shared<kit::TextField>(graphics::Rect { 100, 6, width - 115, MemberPartRow::height });
    m_tvPayMoney->setName("tvPayMoney");
    m_tvPayMoney->setPlaceholder("请输入充值金额");
    m_tvPayMoney->layer().setCornerRadius(3);
    m_tvPayMoney->setClipsToBounds(true);
    m_tvPayMoney->layer().setBorderWidth(0.5);
    m_tvPayMoney->setBorderStyle(kit::TextBorderStyle::RoundedRect);
    m_tvPayMoney->setKeyboardType(kit::KeyboardType::DecimalPad);
    m_tvPayMoney->addTarget(
        selfRecharge(), &VipRechargeViewController::textFieldDidChange, kit::ControlEvent::EditingChanged);
    m_tvPayMoney->layer().setBorderColor(ColorUtil::getUIColorByHex("3AAA24"));
    m_tvPayMoney->setDelegate(self());
    amountRow->addSubview(m_tvPayMoney);
    m_scrollView->addSubview(amountRow);
    y += MemberPartRow::height + 12 + 10;

    m_btnRechargeRule = MemberPartRow::make(
        *this, *m_scrollView, "btnRechargeRule", "充值规则", "labelRechargeTitle", m_labelRechargeTitle, y);
    m_btnRechargeRule->addTarget(
        selfRecharge(), &VipRechargeViewController::toChooseRechargeRule, kit::ControlEvent::TouchUpInside);
    y += MemberPartRow::height + 10;
    m_btnCashPay = MemberPartRow::make(
        *this, *m_scrollView, "btnCashPay", "现金支付", "labelCashMoney", m_labelCashMoney, y);
    y += MemberPartRow::height + 1;
    m_btnMobilePay = MemberPartRow::make(
        *this, *m_scrollView, "btnMobilePay", "移动支付", "labelMobileMoney", m_labelMobileMoney, y);
    for (const auto& button : { m_btnCashPay, m_btnMobilePay })
        button->addTarget(
            selfRecharge(), &VipRechargeViewController::toInputPayMoneyUI, kit::ControlEvent::TouchUpInside);
    y += MemberPartRow::height + 20;
    m_scrollView->setContentSize({ width, y });

    m_totalMoney = m_cashPayMoney = m_mobilePayMoney = 0;
    m_requestPayParams = std::make_shared<NetUtilSign::Parameters>();
    m_defaultRuleEntity = std::make_shared<RechargeRuleEntity>();
    m_defaultRuleEntity->setId("0");
    m_defaultRuleEntity->setTitle("无");
    m_defaultRuleEntity->setFreemoney("0");
    m_defaultRuleEntity->setFreescore("0");
    m_defaultRuleEntity->setRequire("0");
    m_rechargeRuleEntity = m_defaultRuleEntity;
    m_labelRechargeTitle->setText(m_rechargeRuleEntity->title());

    std::weak_ptr<VipRechargeViewController> weak = selfRecharge();
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

    m_viewTotalMoney = std::make_shared<MemberPayBar>(width, height);
    m_viewTotalMoney->btnOk()->addTarget(
        selfRecharge(), &VipRechargeViewController::btnOkClick, kit::ControlEvent::TouchUpInside);
    root->addSubview(m_viewTotalMoney);

    makePayPriceLabel();
    m_labelCashMoney->setText("0");
    m_labelMobileMoney->setText("0");
}

bool VipRechargeViewController::textFieldShouldChangeCharactersInRange(
    kit::TextField& textField, kit::TextRange range, const std::string& replacement)
{
    return AmountFilter::shouldChangeCharacters(
        textField.text(), range, replacement, AmountFilter::Variant::Standard);
}

void VipRechargeViewController::textFieldDidChange(kit::Control&)
{
    makePayPriceLabel();
}

bool VipRechargeViewController::textFieldShouldEndEditing(kit::TextField& textField)
{
    if (&textField == m_tvPayMoney.get()) {
        m_totalMoney = foundation::doubleValue(m_tvPayMoney->text());
        makePayPriceLabel();
    }
    return true;
}

void VipRechargeViewController::makePayPriceLabel()
{
    // An emptied field keeps the last amount until editing ends.
    std::string text = m_tvPayMoney->text();
    if (!text.empty())
        m_totalMoney = foundation::doubleValue(text);
    double gift = VipRechargePricing::gift(m_totalMoney, *m_rechargeRuleEntity);
    auto line = VipRechargePricing::summary(m_totalMoney, gift, m_cashPayMoney, m_mobilePayMoney);
    m_viewTotalMoney->labelPrice()->setAttributedText(line.attributedText());
    m_viewTotalMoney->setOkBtnStyle(
        VipRechargePricing::canConfirm(m_totalMoney, m_cashPayMoney, m_mobilePayMoney));
}

void VipRechargeViewController::toChooseRechargeRule()
{
    if (!m_tvPayMoney->isExclusiveTouch())
        m_tvPayMoney->resignFirstResponder();
    auto chooser = std::make_shared<ChooseRechargeRuleViewController>();
    chooser->setDelegate(selfRecharge());
    chooser->setCurrentEntity(m_rechargeRuleEntity);
    chooser->setDefaultRuleEntity(m_defaultRuleEntity);
    if (auto navigation = navigationController())
        navigation->pushViewController(chooser, true);
}

void VipRechargeViewController::chooseRechargeRuleCallback(const std::shared_ptr<RechargeRuleEntity>& rule)
{
    if (!rule)
        return;
    m_rechargeRuleEntity = rule;
    m_labelRechargeTitle->setText(rule->title());
    makePayPriceLabel();
}

void VipRechargeViewController::toInputPayMoneyUI(kit::Control& sender)
{
    std::string text = m_tvPayMoney->text();
    if (text.empty() || foundation::doubleValue(text) <= 0) {
        PromptUtil::toast("请输入消费金额！");
        return;
    }
    bool cash = &sender == m_btnCashPay.get();
    double part = cash ? m_cashPayMoney : m_mobilePayMoney;
    auto editor = std::make_shared<InputPayMoneyViewController>();
    editor->setDelegate(selfRecharge());
    editor->setType(cash ? cashType : mobileType);
    editor->setMoney(part > 0 ? part : m_totalMoney - m_cashPayMoney - m_mobilePayMoney);
    if (auto navigation = navigationController())
        navigation->pushViewController(editor, true);
}

void VipRechargeViewController::inputPayMoneyCallback(int type, double money)
{
    if (type == cashType) {
        m_cashPayMoney = money;
        m_labelCashMoney->setText(DecimalUtil::getDecimalString(money));
    } else if (type == mobileType) {
        m_mobilePayMoney = money;
        m_labelMobileMoney->setText(DecimalUtil::getDecimalString(money));
    }
    makePayPriceLabel();
}

void VipRechargeViewController::keyboardWillShow(double keyboardHeight)
{
    m_viewTotalMoney->restOnKeyboard(keyboardHeight);
    m_scrollView->setContentOffset({ 0, IphoneDevicesUtils::isIphone4Or4s() ? 100.0 : 50.0 });
}

void VipRechargeViewController::keyboardWillHide()
{
    m_viewTotalMoney->restOnKeyboard(0);
    m_scrollView->setContentOffset({ 0, 0 });
}

void VipRechargeViewController::touchesEnded(const kit::Touch& touch)
{
    BaseViewController::touchesEnded(touch);
    if (!m_tvPayMoney->isExclusiveTouch())
        m_tvPayMoney->resignFirstResponder();
}

void VipRechargeViewController::btnOkClick()
{
    if (!m_tvPayMoney->isExclusiveTouch())
        m_tvPayMoney->resignFirstResponder();
    // The overlay lets touches through: a second tap while the recharge is
    // out would take the money twice.
    if (!m_submitGate.isOpen())
        return;
    // The field read again, whether or not it was being edited: an amount
    // emptied just before the tap no longer matches the parts, and nothing
    // is sent.
    m_totalMoney = foundation::doubleValue(m_tvPayMoney->text());
    makePayPriceLabel();
    if (!VipRechargePricing::canConfirm(m_totalMoney, m_cashPayMoney, m_mobilePayMoney) || !m_vipEntity)
        return;
    // The customer has paid the mobile part of this recharge already: send
    // that request again rather than collect the money a second time.
    if (m_paidRequest) {
        finishRecharge(m_paidRequest);
        return;
    }
    m_requestPayParams = std::make_shared<NetUtilSign::Parameters>();
    auto& params = *m_requestPayParams;
    params["memberid"] = m_vipEntity->id().value_or("");
    params["ruleid"] = m_rechargeRuleEntity->id().value_or("0");
    params["reverseid"] = std::to_string(VipConsumeRequest::newReverseId());
    params["totalprice"] = foundation::formatFixed(m_totalMoney, 2);
    if (m_cashPayMoney > 0)
        params["bycash"] = foundation::formatFixed(m_cashPayMoney, 2);
    if (m_mobilePayMoney <= 0) {
        finishRecharge(m_requestPayParams);
        return;
    }
    params["m_money"] = foundation::formatFixed(m_mobilePayMoney, 2);
    auto payWay = kit::Registry::shared().instantiate<ChoosePayWayViewController>(
        std::string(ChoosePayWayViewController::nibName));
    auto navigation = navigationController();
    if (!payWay || !navigation)
        return;
    payWay->setMoney(m_mobilePayMoney);
    payWay->setRechargeMoney(m_totalMoney);
    payWay->setRequestPayParams(m_requestPayParams);
    payWay->setConsumeType(consumeTypeRecharge);
    payWay->setHidesBottomBarWhenPushed(true);
    navigation->pushViewController(payWay, true);
}

void VipRechargeViewController::finishRecharge(const std::shared_ptr<NetUtilSign::Parameters>& params)
{
    if (!params)
        return;
    std::weak_ptr<VipRechargeViewController> weak = selfRecharge();
    NetUtilSign::doPost(URLConfig::RECHARGE, std::string("请求支付中..."), NetUtilSign::memberKeyFlag,
        *params, [weak, params, token = m_submitGate.close()](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleRecharge(params, reply);
        });
}

void VipRechargeViewController::handleRecharge(
    const std::shared_ptr<NetUtilSign::Parameters>& params, const std::optional<std::string>& replyText)
{
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    const auto& data = JsonUtil::data(reply);
    if (!data.is_object() || data.empty())
        return;
    if (foundation::intValue(foundation::valueForKey(data, "status")) == 1)
        m_paidRequest = nullptr;
    auto result = std::make_shared<MemberRechargeResultViewController>();
    result->setData(data);
    // The amount of the request that was settled, which a retry of a paid
    // request may hold apart from what the field shows now.
    auto total = params->find("totalprice");
    result->setMoney(total != params->end() ? foundation::doubleValue(total->second) : m_totalMoney);
    if (auto navigation = navigationController())
        navigation->pushViewController(result, true);
}
