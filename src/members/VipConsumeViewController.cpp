#include "members/VipConsumeViewController.h"

#include "api/DecimalUtil.h"
#include "api/IphoneDevicesUtils.h"
#include "api/JsonUtil.h"
#include "api/Md5Util.h"
#include "api/URLConfig.h"
#include "cashier/ChoosePayWayViewController.h"
#include "members/ChoosePreferentialWayViewController.h"
#include "members/InputDescriptionViewController.h"
#include "members/InputPayMoneyViewController.h"
#include "members/MemberCardView.h"
#include "members/MemberConsumeResultViewController.h"
#include "members/MemberPartRow.h"
#include "members/MemberPayBar.h"
#include "members/VipConsumeRequest.h"
#include "model/CouponDiscountPriceEntity.h"
#include "model/MemberDiscountPriceEntity.h"
#include "model/PreferentialWayEntity.h"
#include "model/VipDetailEntity.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/AlertView.h"
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

namespace {

constexpr double rowHeight = MemberPartRow::height;
constexpr double rowGap = 1;

} // namespace

void VipConsumeViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    screenAdapter();
}

void VipConsumeViewController::viewWillAppear(bool animated)
{
    // Not the base step: the bar stays transparent over the member's card.
    kit::ViewController::viewWillAppear(animated);
    MemberCardView::applyTransparentBar(*this);
    if (auto paid = std::move(m_mobilePayCallbackParams)) {
        m_mobilePayCallbackParams = nullptr;
        finishResume(paid);
    }
}

void VipConsumeViewController::viewWillDisappear(bool animated)
{
    BaseViewController::viewWillDisappear(animated);
    m_mobilePayCallbackParams = nullptr;
}

std::shared_ptr<kit::Button> VipConsumeViewController::addPartRow(const char* buttonName, const char* title,
    const char* labelName, std::shared_ptr<kit::Label>& label, double y)
{
    return MemberPartRow::make(*this, *m_scrollView, buttonName, title, labelName, label, y);
}

void VipConsumeViewController::initViews()
{
    initNavigatonBackButton();
    navigationItem()->setTitleView(TitleLabel::make("会员消费"));
    auto root = view();
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F5F3F2"));
    double width = root->bounds().width();
    double height = root->bounds().height();

    m_scrollView = std::make_shared<kit::ScrollView>(graphics::Rect { 0, 0, width, height - barHeight });
    m_scrollView->setName("scrollView");
    root->addSubview(m_scrollView);
    m_card = std::make_shared<MemberCardView>(width);
    m_scrollView->addSubview(m_card);
    if (m_vipEntity)
        m_card->fill(*m_vipEntity);

    double y = MemberCardView::height + 10;
    auto totalRow = std::make_shared<kit::View>(graphics::Rect { 0, y, width, rowHeight + 12 });
    totalRow->setBackgroundColor(graphics::Color::white());
    auto totalCaption = MemberPartRow::makeLabel("", { 15, 17, 80, 22 }, graphics::TextAlignment::Left);
    totalCaption->setText("消费金额");
    totalRow->addSubview(totalCaption);
    m_tvPayMoney = std::make_shared<kit::TextField>(graphics::Rect { 100, 6, width - 115, rowHeight });
    m_tvPayMoney->setName("tvPayMoney");
    m_tvPayMoney->setPlaceholder("请输入消费金额");
    m_tvPayMoney->layer().setCornerRadius(3);
    m_tvPayMoney->setClipsToBounds(true);
    m_tvPayMoney->layer().setBorderWidth(0.5);
    m_tvPayMoney->layer().setBorderColor(ColorUtil::getUIColorByHex("3AAA24"));
    m_tvPayMoney->setBorderStyle(kit::TextBorderStyle::RoundedRect);
    m_tvPayMoney->setKeyboardType(kit::KeyboardType::DecimalPad);
    m_tvPayMoney->setDelegate(self());
    m_tvPayMoney->addTarget(
        selfConsume(), &VipConsumeViewController::textFieldDidChange, kit::ControlEvent::EditingChanged);
    totalRow->addSubview(m_tvPayMoney);
    m_scrollView->addSubview(totalRow);
    y += rowHeight + 12 + 10;

    m_btnPreferentialWay
        = addPartRow("btnPreferentialWay", "优惠方式", "labelPreferentialWay", m_labelPreferentialWay, y);
    m_btnPreferentialWay->addTarget(
        selfConsume(), &VipConsumeViewController::toChoosePreferentialWay, kit::ControlEvent::TouchUpInside);
    y += rowHeight + 10;
    m_btnCashPay = addPartRow("btnCashPay", "现金支付", "labelCashMoney", m_labelCashMoney, y);
    y += rowHeight + rowGap;
    m_btnVipMoneyPay = addPartRow("btnVipMoneyPay", "会员余额", "labelMemberMoney", m_labelMemberMoney, y);
    y += rowHeight + rowGap;
    m_btnMobilePay = addPartRow("btnMobilePay", "移动支付", "labelMobileMoney", m_labelMobileMoney, y);
    for (const auto& button : { m_btnCashPay, m_btnVipMoneyPay, m_btnMobilePay })
        button->addTarget(
            selfConsume(), &VipConsumeViewController::toInputPayMoneyUI, kit::ControlEvent::TouchUpInside);
    y += rowHeight + 10;

    m_tvDescription = std::make_shared<kit::TextField>(graphics::Rect { 0, y, width, rowHeight });
    m_tvDescription->setName("tvDescription");
    m_tvDescription->setPlaceholder("备注(选填)");
    m_tvDescription->setBackgroundColor(graphics::Color::white());
    m_tvDescription->setKeyboardType(kit::KeyboardType::Default);
    m_tvDescription->setDelegate(self());
    m_scrollView->addSubview(m_tvDescription);
    y += rowHeight + 20;
    m_scrollView->setContentSize({ width, y });

    m_cashPayMoney = m_memberMoney = m_mobilePayMoney = 0;
    m_requestPayParams = std::make_shared<NetUtilSign::Parameters>();
    m_preferentialWayEntity = std::make_shared<PreferentialWayEntity>();
    m_preferentialWayEntity->setType(VipConsumePricing::cardDiscountType);
    m_labelPreferentialWay->setText(m_vipEntity ? m_vipEntity->cardname() : std::nullopt);

    std::weak_ptr<VipConsumeViewController> weak = selfConsume();
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

    m_viewTotalMoney
        = std::make_shared<kit::View>(graphics::Rect { 0, height - barHeight, width, barHeight });
    m_viewTotalMoney->setName("viewTotalMoney");
    m_viewTotalMoney->setBackgroundColor(ColorUtil::getUIColorByHex("F5F3F2"));
    root->addSubview(m_viewTotalMoney);
    m_btnOk = std::make_shared<kit::Button>(
        kit::ButtonType::Custom, graphics::Rect { width - 90, 0, 90, barHeight });
    m_btnOk->setName("btnOk");
    m_btnOk->setTitle("确定", kit::ControlState::Normal);
    m_btnOk->titleLabel()->setFont(graphics::Font::systemFont(18));
    m_btnOk->addTarget(
        selfConsume(), &VipConsumeViewController::btnOkClick, kit::ControlEvent::TouchUpInside);
    setOkBtnStyle(false);
    m_viewTotalMoney->addSubview(m_btnOk);
    m_labelPrice = std::make_shared<kit::Label>(graphics::Rect { 6, 0, width - 100, 60 });
    m_labelPrice->setName("labelPrice");
    m_labelPrice->setFont(graphics::Font::systemFont(13));
    m_labelPrice->setNumberOfLines(0);
    m_viewTotalMoney->addSubview(m_labelPrice);

    makePayPriceLabel();
    m_labelCashMoney->setText("0");
    m_labelMemberMoney->setText("0");
    m_labelMobileMoney->setText("0");
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

bool VipConsumeViewController::textFieldShouldChangeCharactersInRange(
    kit::TextField& textField, kit::TextRange range, const std::string& replacement)
{
    return AmountFilter::shouldChangeCharacters(
        textField.text(), range, replacement, AmountFilter::Variant::Standard);
}

void VipConsumeViewController::textFieldDidChange(kit::Control&)
{
    estimatePrice();
}

void VipConsumeViewController::estimatePrice()
{
    std::string text = m_tvPayMoney->text();
    m_totalMoney = foundation::doubleValue(text);
    // A price asked for an earlier total or way no longer applies.
    ++m_priceGeneration;
    if (isCardWay()) {
        if (m_vipEntity)
            m_memberDiscountEntity = VipConsumePricing::estimateForCard(*m_vipEntity, text);
    } else if (m_preferentialWayEntity) {
        m_couponDiscountEntity = VipConsumePricing::estimateForCoupon(*m_preferentialWayEntity, text);
    }
    makePayPriceLabel();
}

bool VipConsumeViewController::textFieldShouldEndEditing(kit::TextField& textField)
{
    if (&textField == m_tvPayMoney.get())
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
    m_tvDescription->setText(description);
}

void VipConsumeViewController::toChoosePreferentialWay()
{
    if (!m_tvPayMoney->isExclusiveTouch())
        m_tvPayMoney->resignFirstResponder();
    auto chooser = std::make_shared<ChoosePreferentialWayViewController>();
    chooser->setCurrentEntity(m_preferentialWayEntity);
    chooser->setDelegate(selfConsume());
    chooser->setVipEntity(m_vipEntity);
    if (auto navigation = navigationController())
        navigation->pushViewController(chooser, true);
}

void VipConsumeViewController::chooseCouponWayCallback(const std::shared_ptr<PreferentialWayEntity>& way)
{
    if (!way)
        return;
    m_preferentialWayEntity = way;
    if (m_vipEntity)
        m_labelPreferentialWay->setText(VipConsumePricing::wayLabel(*way, *m_vipEntity));
    // Priced under the new way at once: until the server's price comes (or
    // when it is refused) the line must not show another coupon's price.
    estimatePrice();
    getPayPriceAfterDiscount();
}

void VipConsumeViewController::getPayPriceAfterDiscount()
{
    std::string text = m_tvPayMoney->text();
    if (text.empty() || foundation::doubleValue(text) <= 0 || !m_preferentialWayEntity)
        return;
    m_totalMoney = foundation::doubleValue(text);
    bool cardWay = isCardWay();
    NetUtilSign::Parameters parameters;
    parameters["memberid"] = m_vipEntity ? m_vipEntity->id().value_or("") : std::string();
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
    std::string text = m_tvPayMoney->text();
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
    m_labelPrice->setAttributedText(line.attributedText());
    setOkBtnStyle(VipConsumePricing::canConfirm(m_totalMoney, price, parts()));
}

void VipConsumeViewController::setOkBtnStyle(bool enabled)
{
    MemberPayBar::styleOkButton(*m_btnOk, enabled);
}

void VipConsumeViewController::keyboardWillShow(double keyboardHeight)
{
    double height = view()->bounds().height();
    auto frame = m_viewTotalMoney->frame();
    frame.origin.y = height - barHeight - keyboardHeight;
    m_viewTotalMoney->setFrame(frame);
    m_scrollView->setContentOffset({ 0, IphoneDevicesUtils::isIphone4Or4s() ? 100.0 : 50.0 });
}

void VipConsumeViewController::keyboardWillHide()
{
    auto frame = m_viewTotalMoney->frame();
    frame.origin.y = view()->bounds().height() - barHeight;
    m_viewTotalMoney->setFrame(frame);
    m_scrollView->setContentOffset({ 0, 0 });
}

void VipConsumeViewController::touchesEnded(const kit::Touch& touch)
{
    BaseViewController::touchesEnded(touch);
    for (const auto& field : { m_tvPayMoney, m_tvDescription }) {
        if (!field->isExclusiveTouch())
            field->resignFirstResponder();
    }
}

void VipConsumeViewController::btnOkClick()
{
    if (!m_tvPayMoney->isExclusiveTouch())
        m_tvPayMoney->resignFirstResponder();
    // The overlay lets touches through: a second tap while the payment is
    // out would pay twice.
    if (!m_submitGate.isOpen())
        return;
    bool needsPassword = !(m_vipEntity && m_vipEntity->nopwd() == "1") && m_memberMoney > 0;
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
        BaseViewController::alertViewClickedButtonAtIndex(alertView, buttonIndex);
        return;
    }
    auto field = alertView.textFieldAtIndex(0);
    std::string password = field ? foundation::trimWhitespaceAndNewlines(field->text()) : std::string();
    // The member's password never waits in the alert for the next person.
    if (field)
        field->setText("");
    if (buttonIndex != 0 || !m_submitGate.isOpen())
        return;
    NetUtilSign::Parameters parameters;
    parameters["memberid"] = m_vipEntity ? m_vipEntity->id().value_or("") : std::string();
    parameters["password"] = Md5Util::md5_32(password);
    std::weak_ptr<VipConsumeViewController> weak = selfConsume();
    NetUtilSign::doPost(URLConfig::MEMBER_PAYPWD, std::nullopt, NetUtilSign::memberKeyFlag, parameters,
        [weak, token = m_submitGate.close()](const std::optional<std::string>& reply) {
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
    if (!m_vipEntity)
        return;
    if (foundation::doubleValue(m_vipEntity->totalMoney()) < m_memberMoney) {
        PromptUtil::toast("会员余额不足,请选择其它方式支付！");
        return;
    }
    VipConsumeRequest::Input input;
    input.totalMoney = m_totalMoney;
    input.actualprice = pricedAmount().value_or(0);
    input.cash = m_cashPayMoney;
    input.balance = m_memberMoney;
    input.mobile = m_mobilePayMoney;
    input.mark = m_tvDescription->text();
    input.reverseid = VipConsumeRequest::newReverseId();
    // A request whose answer was lost goes again as it was; a paid mobile
    // part is carried into a new one rather than collected again.
    m_requestPayParams = m_attempt.requestFor(std::make_shared<NetUtilSign::Parameters>(
        VipConsumeRequest::build(*m_vipEntity, *m_preferentialWayEntity, input)));
    if (!VipConsumeAttempt::needsMobilePayment(*m_requestPayParams)) {
        finishResume(m_requestPayParams);
        return;
    }
    auto payWay = kit::Registry::shared().instantiate<ChoosePayWayViewController>(
        std::string(ChoosePayWayViewController::nibName));
    auto navigation = navigationController();
    if (!payWay || !navigation)
        return;
    payWay->setMoney(m_mobilePayMoney);
    payWay->setRequestPayParams(m_requestPayParams);
    payWay->setConsumeType(consumeTypePurchase);
    payWay->setHidesBottomBarWhenPushed(true);
    navigation->pushViewController(payWay, true);
}

void VipConsumeViewController::finishResume(const std::shared_ptr<NetUtilSign::Parameters>& params)
{
    if (!params)
        return;
    m_requestPayParams = params;
    m_attempt.willSend(params);
    std::weak_ptr<VipConsumeViewController> weak = selfConsume();
    NetUtilSign::doPost(URLConfig::PAY_ORDER, std::string("请求支付中..."), NetUtilSign::memberKeyFlag,
        *params, [weak, token = m_submitGate.close()](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handlePurchase(reply);
        });
}

void VipConsumeViewController::handlePurchase(const std::optional<std::string>& replyText)
{
    auto reply = JsonUtil::getJSONObject(replyText);
    m_attempt.answered(VipConsumeAttempt::answerOf(reply));
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    const auto& data = JsonUtil::data(reply);
    if (!data.is_object() || data.empty())
        return;
    auto result = std::make_shared<MemberConsumeResultViewController>();
    result->setData(data);
    auto actual = m_requestPayParams->find("actualprice");
    result->setMoney(actual != m_requestPayParams->end() ? foundation::doubleValue(actual->second) : 0);
    if (auto navigation = navigationController())
        navigation->pushViewController(result, true);
}
