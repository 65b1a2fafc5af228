#include "members/VipConsumeViewController.h"

#include "api/DecimalUtil.h"
#include "api/JsonUtil.h"
#include "api/Md5Util.h"
#include "api/URLConfig.h"
#include "members/ChoosePreferentialWayViewController.h"
#include "members/InputDescriptionViewController.h"
#include "members/InputPayMoneyViewController.h"
#include "members/MemberConsumeResultViewController.h"
#include "members/MemberPartRow.h"
#include "members/MemberPayBar.h"
#include "members/VipConsumeRequest.h"
#include "model/CouponDiscountPriceEntity.h"
#include "model/MemberDiscountPriceEntity.h"
#include "model/PreferentialWayEntity.h"
#include "model/VipDetailEntity.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextField.h"
#include "ui/PromptUtil.h"

void VipConsumeViewController::initViews()
{
    double width = view()->bounds().width();
    double y = buildForm("会员消费", "消费金额", "请输入消费金额");

    m_btnPreferentialWay
        = addPartRow("btnPreferentialWay", "优惠方式", "labelPreferentialWay", m_labelPreferentialWay, y);
    m_btnPreferentialWay->addTarget(
        selfConsume(), &VipConsumeViewController::toChoosePreferentialWay, kit::ControlEvent::TouchUpInside);
    y += MemberPartRow::height + 10;
    m_btnCashPay = addPartRow("btnCashPay", "现金支付", "labelCashMoney", m_labelCashMoney, y);
    y += MemberPartRow::height + 1;
    m_btnVipMoneyPay = addPartRow("btnVipMoneyPay", "会员余额", "labelMemberMoney", m_labelMemberMoney, y);
    y += MemberPartRow::height + 1;
    m_btnMobilePay = addPartRow("btnMobilePay", "移动支付", "labelMobileMoney", m_labelMobileMoney, y);
    for (const auto& button : { m_btnCashPay, m_btnVipMoneyPay, m_btnMobilePay })
        button->addTarget(
            selfConsume(), &VipConsumeViewController::toInputPayMoneyUI, kit::ControlEvent::TouchUpInside);
    y += MemberPartRow::height + 10;

    m_tvDescription = std::make_shared<kit::TextField>(graphics::Rect { 0, y, width, MemberPartRow::height });
    m_tvDescription->setName("tvDescription");
    m_tvDescription->setPlaceholder("备注(选填)");
    m_tvDescription->setBackgroundColor(graphics::Color::white());
    // The remark starts where the rows' captions do, not at the screen's edge.
    m_tvDescription->setLeftView(
        std::make_shared<kit::View>(graphics::Rect { 0, 0, 15, MemberPartRow::height }));
    m_tvDescription->setLeftViewMode(kit::TextFieldViewMode::Always);
    m_tvDescription->setKeyboardType(kit::KeyboardType::Default);
    m_tvDescription->setDelegate(self());
    scrollView()->addSubview(m_tvDescription);
    y += MemberPartRow::height + 20;

    m_cashPayMoney = m_memberMoney = m_mobilePayMoney = 0;
    m_preferentialWayEntity = std::make_shared<PreferentialWayEntity>();
    m_preferentialWayEntity->setType(VipConsumePricing::cardDiscountType);
    m_labelPreferentialWay->setText(vipEntity() ? vipEntity()->cardname() : std::nullopt);

    finishForm(y);
    makePayPriceLabel();
    m_labelCashMoney->setText("0");
    m_labelMemberMoney->setText("0");
    m_labelMobileMoney->setText("0");
    resumeSale();
}

bool VipConsumeViewController::isCardWay() const
{
    return m_preferentialWayEntity && VipConsumePricing::isCardDiscount(*m_preferentialWayEntity);
}

std::optional<double> VipConsumeViewController::pricedAmount() const
{
    if (isCardWay())
        return m_memberDiscountEntity ? std::optional<double>(m_memberDiscountEntity->actualprice())
                                      : std::nullopt;
    return m_couponDiscountEntity ? std::optional<double>(m_couponDiscountEntity->actualprice())
                                  : std::nullopt;
}

void VipConsumeViewController::textFieldDidChange(kit::Control&)
{
    estimatePrice();
}

void VipConsumeViewController::estimatePrice()
{
    std::string text = tvPayMoney()->text();
    m_totalMoney = foundation::doubleValue(text);
    // A price asked for an earlier total or way no longer applies.
    ++m_priceGeneration;
    if (isCardWay()) {
        if (vipEntity())
            m_memberDiscountEntity = VipConsumePricing::estimateForCard(*vipEntity(), text);
    } else if (m_preferentialWayEntity) {
        m_couponDiscountEntity = VipConsumePricing::estimateForCoupon(*m_preferentialWayEntity, text);
    }
    makePayPriceLabel();
}

bool VipConsumeViewController::textFieldShouldEndEditing(kit::TextField& textField)
{
    if (&textField == tvPayMoney().get())
        getPayPriceAfterDiscount();
    return true;
}

void VipConsumeViewController::textFieldDidBeginEditing(kit::TextField& textField)
{
    if (&textField != m_tvDescription.get())
        return;
    textField.resignFirstResponder();
    auto editor = std::make_shared<InputDescriptionViewController>();
    editor->setContent(m_tvDescription->text());
    editor->setDelegate(selfConsume());
    editor->setHidesBottomBarWhenPushed(true);
    if (auto navigation = navigationController())
        navigation->pushViewController(editor, false);
}

void VipConsumeViewController::inputDescriptionCallback(const std::string& description)
{
    if (refuseEdit())
        return;
    m_tvDescription->setText(description);
}

void VipConsumeViewController::toChoosePreferentialWay()
{
    if (!tvPayMoney()->isExclusiveTouch())
        tvPayMoney()->resignFirstResponder();
    if (refuseEdit())
        return;
    auto chooser = std::make_shared<ChoosePreferentialWayViewController>();
    chooser->setCurrentEntity(m_preferentialWayEntity);
    chooser->setDelegate(selfConsume());
    chooser->setVipEntity(vipEntity());
    if (auto navigation = navigationController())
        navigation->pushViewController(chooser, true);
}

void VipConsumeViewController::chooseCouponWayCallback(const std::shared_ptr<PreferentialWayEntity>& way)
{
    if (!way || refuseEdit())
        return;
    m_preferentialWayEntity = way;
    if (vipEntity())
        m_labelPreferentialWay->setText(VipConsumePricing::wayLabel(*way, *vipEntity()));
    // Priced under the new way at once: until the server's price comes (or
    // when it is refused) the line must not show another coupon's price.
    estimatePrice();
    getPayPriceAfterDiscount();
}

void VipConsumeViewController::getPayPriceAfterDiscount()
{
    std::string text = tvPayMoney()->text();
    if (text.empty() || foundation::doubleValue(text) <= 0 || !m_preferentialWayEntity)
        return;
    m_totalMoney = foundation::doubleValue(text);
    bool cardWay = isCardWay();
    NetUtilSign::Parameters parameters;
    parameters["memberid"] = vipEntity() ? vipEntity()->id().value_or("") : std::string();
    parameters["totalprice"] = foundation::formatFixed(m_totalMoney, 2);
    if (!cardWay)
        parameters["couponid"] = m_preferentialWayEntity->id().value_or("");
    auto generation = ++m_priceGeneration;
    std::weak_ptr<VipConsumeViewController> weak = selfConsume();
    NetUtilSign::doPost(cardWay ? URLConfig::MEMC_ORDER : URLConfig::CALC_ORDER, std::nullopt,
        NetUtilSign::memberKeyFlag, parameters,
        [weak, generation, cardWay](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handlePrice(generation, cardWay, reply);
        });
}

void VipConsumeViewController::handlePrice(
    std::uint64_t generation, bool cardWay, const std::optional<std::string>& replyText)
{
    if (generation != m_priceGeneration)
        return;
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    const auto& data = JsonUtil::data(reply);
    if (cardWay)
        m_memberDiscountEntity = MemberDiscountPriceEntity::initWithJSON(data);
    else
        m_couponDiscountEntity = CouponDiscountPriceEntity::initWithJSON(data);
    makePayPriceLabel();
}

void VipConsumeViewController::toInputPayMoneyUI(kit::Control& sender)
{
    std::string text = tvPayMoney()->text();
    if (text.empty() || foundation::doubleValue(text) <= 0) {
        PromptUtil::toast("请输入消费金额！");
        return;
    }
    if (!m_preferentialWayEntity) {
        PromptUtil::toast("请选择优惠方式！");
        return;
    }
    int type = &sender == m_btnCashPay.get() ? cashType
        : &sender == m_btnVipMoneyPay.get()  ? balanceType
                                             : mobileType;
    if (type == mobileType ? refuseMobilePartEdit() : refuseEdit())
        return;
    double part = type == cashType ? m_cashPayMoney : type == balanceType ? m_memberMoney : m_mobilePayMoney;
    double payable = VipConsumePricing::payable(pricedAmount(), m_totalMoney);
    auto editor = std::make_shared<InputPayMoneyViewController>();
    editor->setDelegate(selfConsume());
    editor->setType(type);
    editor->setMoney(
        VipConsumePricing::proposedPart(part, payable, m_cashPayMoney, m_memberMoney, m_mobilePayMoney));
    if (auto navigation = navigationController())
        navigation->pushViewController(editor, true);
}

void VipConsumeViewController::inputPayMoneyCallback(int type, double money)
{
    if (type == mobileType ? refuseMobilePartEdit() : refuseEdit())
        return;
    showPart(type, money);
}

void VipConsumeViewController::showPart(int type, double money)
{
    std::shared_ptr<kit::Label> label;
    if (type == cashType) {
        m_cashPayMoney = money;
        label = m_labelCashMoney;
    } else if (type == balanceType) {
        m_memberMoney = money;
        label = m_labelMemberMoney;
    } else if (type == mobileType) {
        m_mobilePayMoney = money;
        label = m_labelMobileMoney;
    }
    if (label)
        label->setText(DecimalUtil::getDecimalString(money));
    makePayPriceLabel();
}

void VipConsumeViewController::makePayPriceLabel()
{
    auto price = pricedAmount();
    bool cashOff = !isCardWay() && m_couponDiscountEntity
        && VipConsumePricing::isCashOff(m_couponDiscountEntity->type());
    auto line = VipConsumePricing::summary(m_totalMoney, price, cashOff, parts());
    viewTotalMoney()->labelPrice()->setAttributedText(line.attributedText());
    setOkBtnStyle(VipConsumePricing::canConfirm(m_totalMoney, price, parts()));
}

void VipConsumeViewController::touchesEnded(const kit::Touch& touch)
{
    MemberPaymentViewController::touchesEnded(touch);
    if (!m_tvDescription->isExclusiveTouch())
        m_tvDescription->resignFirstResponder();
}

std::shared_ptr<NetUtilSign::Parameters> VipConsumeViewController::saleRequest()
{
    if (!vipEntity() || !m_preferentialWayEntity)
        return nullptr;
    VipConsumeRequest::Input input;
    input.totalMoney = m_totalMoney;
    input.actualprice = pricedAmount().value_or(0);
    input.cash = m_cashPayMoney;
    input.balance = m_memberMoney;
    input.mobile = m_mobilePayMoney;
    input.mark = m_tvDescription->text();
    input.reverseid = VipConsumeRequest::newReverseId();
    // A held request goes again as it was; a paid mobile part is bound
    // into a new one.
    return prepareRequest(std::make_shared<NetUtilSign::Parameters>(
        VipConsumeRequest::build(*vipEntity(), *m_preferentialWayEntity, input)));
}

void VipConsumeViewController::confirm()
{
    if (!vipEntity() || !m_preferentialWayEntity)
        return;
    // The confirm takes the price on the screen: one still on its way would
    // change what the screen shows from what is sent.
    ++m_priceGeneration;
    auto request = saleRequest();
    // The password guards the balance part of the request that goes out.
    bool needsPassword = vipEntity()->nopwd() != "1" && TillLedger::amountOf(*request, "bymoney") > 0;
    if (!needsPassword) {
        requestConsume();
        return;
    }
    if (!m_inputPayPwdAlertView) {
        m_inputPayPwdAlertView
            = kit::AlertView::create("请输入会员消费密码", "", self(), std::string("确定"), { "取消" });
        m_inputPayPwdAlertView->setAlertViewStyle(kit::AlertViewStyle::SecureTextInput);
        m_inputPayPwdAlertView->textFieldAtIndex(0)->setPlaceholder("请输入您的消费密码");
    }
    m_inputPayPwdAlertView->show();
}

void VipConsumeViewController::alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex)
{
    if (&alertView != m_inputPayPwdAlertView.get()) {
        MemberPaymentViewController::alertViewClickedButtonAtIndex(alertView, buttonIndex);
        return;
    }
    auto field = alertView.textFieldAtIndex(0);
    std::string password = field ? foundation::trimWhitespaceAndNewlines(field->text()) : std::string();
    // The member's password never waits in the alert for the next person.
    if (field)
        field->setText("");
    if (buttonIndex != 0 || !submitGate().isOpen())
        return;
    NetUtilSign::Parameters parameters;
    parameters["memberid"] = vipEntity() ? vipEntity()->id().value_or("") : std::string();
    parameters["password"] = Md5Util::md5_32(password);
    std::weak_ptr<VipConsumeViewController> weak = selfConsume();
    NetUtilSign::doPost(URLConfig::MEMBER_PAYPWD, std::nullopt, NetUtilSign::memberKeyFlag, parameters,
        [weak, token = submitGate().close()](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handlePassword(reply);
        });
}

void VipConsumeViewController::handlePassword(const std::optional<std::string>& replyText)
{
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    PromptUtil::toast("验证成功！");
    requestConsume();
}

void VipConsumeViewController::requestConsume()
{
    // What goes out is the sale as it stands now, not as it stood when the
    // password was asked: a mobile part paid meanwhile is bound in by now.
    auto request = saleRequest();
    if (!request || request->empty())
        return;
    // Checked as a confirm checks the form: a part bound since the confirm
    // (under the password alert) may leave the parts over the price, and
    // the form's summary then says by how much.
    if (!isHeld()
        && !VipConsumePricing::canConfirm(m_totalMoney, pricedAmount(),
            { TillLedger::amountOf(*request, "bycash"), TillLedger::amountOf(*request, "bymoney"),
                TillLedger::amountOf(*request, "m_money") })) {
        makePayPriceLabel();
        return;
    }
    // A held request was judged when it first went; the balance read since
    // may already have that very purchase taken off.
    if (!isHeld()
        && foundation::doubleValue(vipEntity()->totalMoney()) < TillLedger::amountOf(*request, "bymoney")) {
        PromptUtil::toast("会员余额不足,请选择其它方式支付！");
        return;
    }
    if (needsMobilePayment())
        collectMobilePart(TillLedger::amountOf(*request, "m_money"));
    else
        finishResume(request);
}

void VipConsumeViewController::showRequest(
    const NetUtilSign::Parameters& request, const foundation::Json& choice)
{
    auto text = [&](const char* key) {
        auto found = request.find(key);
        return found != request.end() ? found->second : std::string();
    };
    if (choice.is_object()) {
        auto way = PreferentialWayEntity::initWithJSON(choice);
        m_preferentialWayEntity = way;
        if (vipEntity())
            m_labelPreferentialWay->setText(VipConsumePricing::wayLabel(*way, *vipEntity()));
    }
    tvPayMoney()->setText(text("totalprice"));
    m_tvDescription->setText(foundation::percentUnescape(text("mark")).value_or(text("mark")));
    estimatePrice();
    // The price the request went with, whatever an estimate says now.
    double actual = TillLedger::amountOf(request, "actualprice");
    if (isCardWay() && m_memberDiscountEntity)
        m_memberDiscountEntity->setActualprice(actual);
    else if (!isCardWay() && m_couponDiscountEntity)
        m_couponDiscountEntity->setActualprice(actual);
    showPart(cashType, TillLedger::amountOf(request, "bycash"));
    showPart(balanceType, TillLedger::amountOf(request, "bymoney"));
    showPart(mobileType, TillLedger::amountOf(request, "m_money"));
}

foundation::Json VipConsumeViewController::formChoice() const
{
    foundation::Json choice = foundation::Json::object();
    if (!m_preferentialWayEntity)
        return choice;
    const auto& way = *m_preferentialWayEntity;
    for (const auto& [key, value] :
        { std::pair { "id", way.id() }, std::pair { "code", way.code() }, std::pair { "title", way.title() },
            std::pair { "type", way.type() }, std::pair { "discountmoney", way.discountmoney() },
            std::pair { "conditionprice", way.conditionprice() },
            std::pair { "discountrate", way.discountrate() }, std::pair { "startdate", way.startdate() },
            std::pair { "enddate", way.enddate() } }) {
        if (value)
            choice[key] = *value;
    }
    return choice;
}

void VipConsumeViewController::finishResume(const std::shared_ptr<NetUtilSign::Parameters>& params)
{
    sendPayment(params);
}

std::string_view VipConsumeViewController::paymentPath() const
{
    return URLConfig::PAY_ORDER;
}

std::shared_ptr<MemberConsumeResultViewController> VipConsumeViewController::makeResultScreen(
    const NetUtilSign::Parameters& request) const
{
    auto result = std::make_shared<MemberConsumeResultViewController>();
    auto actual = request.find("actualprice");
    result->setMoney(actual != request.end() ? foundation::doubleValue(actual->second) : 0);
    return result;
}
