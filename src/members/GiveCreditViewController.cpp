#include "members/GiveCreditViewController.h"

#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "members/ChooseCreditReasonViewController.h"
#include "members/InputDescriptionViewController.h"
#include "members/MemberPartRow.h"
#include "members/VipConsumeRequest.h"
#include "model/ScoreReasonEntity.h"
#include "model/VipDetailEntity.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/TextField.h"
#include "ui/ColorUtil.h"
#include "ui/GreenButton.h"
#include "ui/PromptUtil.h"

namespace {

constexpr double rowHeight = MemberPartRow::height;

// What is sent for a reason or remark left out.
std::string orNone(const std::optional<std::string>& text)
{
    return text && !text->empty() ? *text : std::string("无");
}

} // namespace

std::shared_ptr<kit::Button> GiveCreditViewController::addChoiceRow(const char* buttonName,
    const char* caption, const char* labelName, std::shared_ptr<kit::Label>& label, double y)
{
    auto button = MemberPartRow::make(*this, *view(), buttonName, caption, labelName, label, y);
    button->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("E4E5E4")), kit::ControlState::Selected);
    label->setTextColor(ColorUtil::getUIColorByHex("888888"));
    return button;
}

void GiveCreditViewController::initViews()
{
    double y = placeCard("授予积分");
    auto root = view();
    double width = root->bounds().width();
    auto countRow = std::make_shared<kit::View>(graphics::Rect { 0, y, width, rowHeight + 12 });
    countRow->setBackgroundColor(graphics::Color::white());
    auto caption = std::make_shared<kit::Label>(graphics::Rect { 15, 17, 90, 22 });
    caption->setText("授予积分");
    caption->setFont(graphics::Font::systemFont(15));
    countRow->addSubview(caption);
    m_tvCreditCount = std::make_shared<kit::TextField>(graphics::Rect { 110, 6, width - 125, rowHeight });
    m_tvCreditCount->setName("tvCreditCount");
    m_tvCreditCount->setPlaceholder("请输入积分");
    m_tvCreditCount->layer().setCornerRadius(3);
    m_tvCreditCount->setClipsToBounds(true);
    m_tvCreditCount->layer().setBorderWidth(0.5);
    m_tvCreditCount->layer().setBorderColor(ColorUtil::getUIColorByHex("3AAA24"));
    m_tvCreditCount->setBorderStyle(kit::TextBorderStyle::RoundedRect);
    m_tvCreditCount->setKeyboardType(kit::KeyboardType::NumberPad);
    m_tvCreditCount->setDelegate(self());
    countRow->addSubview(m_tvCreditCount);
    root->addSubview(countRow);
    y += rowHeight + 22;

    m_btnOperationReason
        = addChoiceRow("btnOperationReason", "授予理由", "labelOperationReason", m_labelOperationReason, y);
    m_labelOperationReason->setText("请选择");
    m_btnOperationReason->addTarget(
        selfCredit(), &GiveCreditViewController::toChooseCreditReasonUI, kit::ControlEvent::TouchUpInside);
    y += rowHeight + 1;
    m_btnDescription = addChoiceRow("btnDescription", "备注", "labelDescription", m_labelDescription, y);
    m_labelDescription->setText("选填");
    m_btnDescription->addTarget(
        selfCredit(), &GiveCreditViewController::toInputDescriptionUI, kit::ControlEvent::TouchUpInside);
    y += rowHeight + 20;

    m_btnOk
        = std::make_shared<kit::Button>(kit::ButtonType::Custom, graphics::Rect { 15, y, width - 30, 44 });
    m_btnOk->setName("btnOk");
    m_btnOk->setTitle("确定", kit::ControlState::Normal);
    m_btnOk->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    GreenButton::style(*m_btnOk);
    m_btnOk->addTarget(selfCredit(), &GiveCreditViewController::btnOkClick, kit::ControlEvent::TouchUpInside);
    root->addSubview(m_btnOk);
}

bool GiveCreditViewController::textFieldShouldChangeCharactersInRange(
    kit::TextField& textField, kit::TextRange, const std::string& replacement)
{
    if (replacement == "\n" || replacement.empty())
        return true;
    return foundation::utf16Length(textField.text()) < maxTypedLength;
}

void GiveCreditViewController::touchesEnded(const kit::Touch& touch)
{
    BaseViewController::touchesEnded(touch);
    if (!m_tvCreditCount->isExclusiveTouch())
        m_tvCreditCount->resignFirstResponder();
}

void GiveCreditViewController::toChooseCreditReasonUI()
{
    auto chooser = std::make_shared<ChooseCreditReasonViewController>();
    chooser->setDelegate(selfCredit());
    chooser->setCurrentEntity(m_scoreReasonEntity);
    if (auto navigation = navigationController())
        navigation->pushViewController(chooser, true);
}

void GiveCreditViewController::chooseCreditReasonCallback(const std::shared_ptr<ScoreReasonEntity>& reason)
{
    m_scoreReasonEntity = reason;
    m_labelOperationReason->setText(reason ? reason->reason() : std::nullopt);
}

void GiveCreditViewController::toInputDescriptionUI()
{
    auto editor = std::make_shared<InputDescriptionViewController>();
    editor->setDelegate(selfCredit());
    if (auto navigation = navigationController())
        navigation->pushViewController(editor, true);
}

void GiveCreditViewController::inputDescriptionCallback(const std::string& description)
{
    m_description = description;
    m_labelDescription->setText(description);
}

void GiveCreditViewController::btnOkClick()
{
    std::string count = m_tvCreditCount->text();
    if (count.empty()) {
        PromptUtil::toast("请输入授予积分！");
        return;
    }
    if (foundation::intValue(count) < 1) {
        PromptUtil::toast("授予积分必须大于0！");
        return;
    }
    // Points granted twice are as wrong as money taken twice.
    if (!m_submitGate.isOpen() || !vipEntity())
        return;
    NetUtilSign::Parameters parameters;
    parameters["score"] = count;
    parameters["memberid"] = vipEntity()->id().value_or("");
    // The chosen reason, never what the label shows before one is chosen.
    parameters["reason"] = VipConsumeRequest::escapeFreeText(
        orNone(m_scoreReasonEntity ? m_scoreReasonEntity->reason() : std::nullopt));
    parameters["info"] = VipConsumeRequest::escapeFreeText(orNone(m_description));
    std::weak_ptr<GiveCreditViewController> weak = selfCredit();
    NetUtilSign::doPost(URLConfig::RE_SCORE, std::nullopt, NetUtilSign::memberKeyFlag, parameters,
        [weak, token = m_submitGate.close()](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleGrant(reply);
        });
}

void GiveCreditViewController::handleGrant(const std::optional<std::string>& replyText)
{
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    PromptUtil::toast("授予积分成功！");
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}
