#include "members/VipRechargeViewController.h"

#include "api/DecimalUtil.h"
#include "api/URLConfig.h"
#include "members/ChooseRechargeRuleViewController.h"
#include "members/InputPayMoneyViewController.h"
#include "members/MemberPartRow.h"
#include "members/MemberPayBar.h"
#include "members/MemberRechargeResultViewController.h"
#include "members/VipConsumeRequest.h"
#include "members/VipRechargePricing.h"
#include "model/RechargeRuleEntity.h"
#include "model/VipDetailEntity.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/TextField.h"
#include "ui/PromptUtil.h"

void VipRechargeViewController::initViews()
{
    double y = buildForm("会员充值", "充值金额", "请输入充值金额");
    m_btnRechargeRule
        = addPartRow("btnRechargeRule", "充值规则", "labelRechargeTitle", m_labelRechargeTitle, y);
    m_btnRechargeRule->addTarget(
        selfRecharge(), &VipRechargeViewController::toChooseRechargeRule, kit::ControlEvent::TouchUpInside);
    y += MemberPartRow::height + 10;
    m_btnCashPay = addPartRow("btnCashPay", "现金支付", "labelCashMoney", m_labelCashMoney, y);
    y += MemberPartRow::height + 1;
    m_btnMobilePay = addPartRow("btnMobilePay", "移动支付", "labelMobileMoney", m_labelMobileMoney, y);
    for (const auto& button : { m_btnCashPay, m_btnMobilePay })
        button->addTarget(
            selfRecharge(), &VipRechargeViewController::toInputPayMoneyUI, kit::ControlEvent::TouchUpInside);
    y += MemberPartRow::height + 20;

    m_totalMoney = m_cashPayMoney = m_mobilePayMoney = 0;
    m_defaultRuleEntity = std::make_shared<RechargeRuleEntity>();
    m_defaultRuleEntity->setId("0");
    m_defaultRuleEntity->setTitle("无");
    m_defaultRuleEntity->setFreemoney("0");
    m_defaultRuleEntity->setFreescore("0");
    m_defaultRuleEntity->setRequire("0");
    m_rechargeRuleEntity = m_defaultRuleEntity;
    m_labelRechargeTitle->setText(m_rechargeRuleEntity->title());

    finishForm(y);
    makePayPriceLabel();
    m_labelCashMoney->setText("0");
    m_labelMobileMoney->setText("0");
    resumeSale();
}

void VipRechargeViewController::textFieldDidChange(kit::Control&)
{
    makePayPriceLabel();
}

bool VipRechargeViewController::textFieldShouldEndEditing(kit::TextField& textField)
{
    if (&textField == tvPayMoney().get()) {
        m_totalMoney = foundation::doubleValue(tvPayMoney()->text());
        makePayPriceLabel();
    }
    return true;
}

void VipRechargeViewController::makePayPriceLabel()
{
    // An emptied field keeps the last amount until editing ends.
    std::string text = tvPayMoney()->text();
    if (!text.empty())
        m_totalMoney = foundation::doubleValue(text);
    double gift = VipRechargePricing::gift(m_totalMoney, *m_rechargeRuleEntity);
    auto line = VipRechargePricing::summary(m_totalMoney, gift, m_cashPayMoney, m_mobilePayMoney);
    viewTotalMoney()->labelPrice()->setAttributedText(line.attributedText());
    setOkBtnStyle(VipRechargePricing::canConfirm(m_totalMoney, m_cashPayMoney, m_mobilePayMoney));
}

void VipRechargeViewController::toChooseRechargeRule()
{
    resignAmountField();
    if (refuseEdit())
        return;
    auto chooser = std::make_shared<ChooseRechargeRuleViewController>();
    chooser->setDelegate(selfRecharge());
    chooser->setCurrentEntity(m_rechargeRuleEntity);
    chooser->setDefaultRuleEntity(m_defaultRuleEntity);
    if (auto navigation = navigationController())
        navigation->pushViewController(chooser, true);
}

void VipRechargeViewController::chooseRechargeRuleCallback(const std::shared_ptr<RechargeRuleEntity>& rule)
{
    if (!rule || refuseEdit())
        return;
    m_rechargeRuleEntity = rule;
    m_labelRechargeTitle->setText(rule->title());
    makePayPriceLabel();
}

void VipRechargeViewController::toInputPayMoneyUI(kit::Control& sender)
{
    std::string text = tvPayMoney()->text();
    if (text.empty() || foundation::doubleValue(text) <= 0) {
        PromptUtil::toast("请输入消费金额！");
        return;
    }
    bool cash = &sender == m_btnCashPay.get();
    if (cash ? refuseEdit() : refuseMobilePartEdit())
        return;
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
    if (type == mobileType ? refuseMobilePartEdit() : refuseEdit())
        return;
    showPart(type, money);
}

void VipRechargeViewController::showPart(int type, double money)
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

void VipRechargeViewController::confirm()
{
    // The field read again, whether or not it was being edited: an amount
    // emptied just before the tap no longer matches the parts, and nothing
    // is sent.
    m_totalMoney = foundation::doubleValue(tvPayMoney()->text());
    makePayPriceLabel();
    if (!VipRechargePricing::canConfirm(m_totalMoney, m_cashPayMoney, m_mobilePayMoney) || !vipEntity())
        return;
    auto fresh = std::make_shared<NetUtilSign::Parameters>();
    auto& params = *fresh;
    params["memberid"] = vipEntity()->id().value_or("");
    params["ruleid"] = m_rechargeRuleEntity->id().value_or("0");
    params["reverseid"] = std::to_string(VipConsumeRequest::newReverseId());
    params["totalprice"] = foundation::formatFixed(m_totalMoney, 2);
    if (m_cashPayMoney > 0)
        params["bycash"] = foundation::formatFixed(m_cashPayMoney, 2);
    if (m_mobilePayMoney > 0)
        params["m_money"] = foundation::formatFixed(m_mobilePayMoney, 2);
    // A held recharge goes again as it was; a paid mobile part is bound
    // into a new one.
    auto request = prepareRequest(fresh);
    if (needsMobilePayment())
        collectMobilePart(TillLedger::amountOf(*request, "m_money"), m_totalMoney);
    else
        finishRecharge(request);
}

void VipRechargeViewController::showRequest(
    const NetUtilSign::Parameters& request, const foundation::Json& choice)
{
    auto rule
        = choice.is_object() && choice.contains("id") ? RechargeRuleEntity::initWithJSON(choice) : nullptr;
    m_rechargeRuleEntity = rule ? rule : m_defaultRuleEntity;
    m_labelRechargeTitle->setText(m_rechargeRuleEntity->title());
    auto total = request.find("totalprice");
    tvPayMoney()->setText(total != request.end() ? total->second : std::string());
    m_totalMoney = foundation::doubleValue(tvPayMoney()->text());
    showPart(cashType, TillLedger::amountOf(request, "bycash"));
    showPart(mobileType, TillLedger::amountOf(request, "m_money"));
}

foundation::Json VipRechargeViewController::formChoice() const
{
    foundation::Json choice = foundation::Json::object();
    const auto& rule = *m_rechargeRuleEntity;
    for (const auto& [key, value] : { std::pair { "id", rule.id() }, std::pair { "title", rule.title() },
             std::pair { "require", rule.require() }, std::pair { "freemoney", rule.freemoney() },
             std::pair { "freescore", rule.freescore() }, std::pair { "startdate", rule.startdate() },
             std::pair { "enddate", rule.enddate() } }) {
        if (value)
            choice[key] = *value;
    }
    return choice;
}

void VipRechargeViewController::finishRecharge(const std::shared_ptr<NetUtilSign::Parameters>& params)
{
    sendPayment(params);
}

std::string_view VipRechargeViewController::paymentPath() const
{
    return URLConfig::RECHARGE;
}

std::shared_ptr<MemberConsumeResultViewController> VipRechargeViewController::makeResultScreen(
    const NetUtilSign::Parameters& request) const
{
    auto result = std::make_shared<MemberRechargeResultViewController>();
    // The amount of the request settled, which a retry of an earlier request
    // may hold apart from what the field shows now.
    auto total = request.find("totalprice");
    result->setMoney(total != request.end() ? foundation::doubleValue(total->second) : m_totalMoney);
    return result;
}
