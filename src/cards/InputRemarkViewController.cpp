#include "cards/InputRemarkViewController.h"

#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "cards/SendCardViewController.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/TextField.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"
#include "ui/TitleLabel.h"

void InputRemarkViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
}

void InputRemarkViewController::initViews()
{
    navigationItem()->setTitleView(TitleLabel::make("卡券备注"));
    auto root = view();
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F5F3F2"));
    double width = root->bounds().width();
    m_tvRemark = std::make_shared<kit::TextField>(graphics::Rect { 15, 64 + 20, width - 30, 44 });
    m_tvRemark->setName("tvRemark");
    m_tvRemark->setPlaceholder("备注(选填)");
    m_tvRemark->setBackgroundColor(graphics::Color::white());
    m_tvRemark->setBorderStyle(kit::TextBorderStyle::RoundedRect);
    m_tvRemark->setDelegate(self());
    root->addSubview(m_tvRemark);
    m_btnSave = std::make_shared<kit::Button>(
        kit::ButtonType::Custom, graphics::Rect { 15, 64 + 84, width - 30, 44 });
    m_btnSave->setName("btnSave");
    m_btnSave->setTitle("确定", kit::ControlState::Normal);
    m_btnSave->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    m_btnSave->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2ca612")), kit::ControlState::Normal);
    m_btnSave->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2b861b")), kit::ControlState::Highlighted);
    m_btnSave->addTarget(std::static_pointer_cast<InputRemarkViewController>(shared_from_this()),
        &InputRemarkViewController::save, kit::ControlEvent::TouchUpInside);
    root->addSubview(m_btnSave);
}

void InputRemarkViewController::save()
{
    // One pass per tap: the request shows no overlay and touches go through.
    if (!m_sendGate.isOpen())
        return;
    NetUtilSign::Parameters parameters;
    parameters["memberid"] = m_memberid;
    parameters["modelid"] = m_modelid;
    parameters["remarks"] = m_tvRemark->text();
    std::weak_ptr<InputRemarkViewController> weak
        = std::static_pointer_cast<InputRemarkViewController>(shared_from_this());
    NetUtilSign::doPost(URLConfig::SEND_PLAT_PASS, std::nullopt, NetUtilSign::memberKeyFlag, parameters,
        [weak, token = m_sendGate.close()](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleSend(reply);
        });
}

void InputRemarkViewController::handleSend(const std::optional<std::string>& replyText)
{
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    PromptUtil::toast("优惠劵发放成功！");
    auto navigation = navigationController();
    if (!navigation)
        return;
    for (const auto& screen : navigation->viewControllers()) {
        if (std::dynamic_pointer_cast<SendCardViewController>(screen)) {
            navigation->popToViewController(screen, true);
            return;
        }
    }
}
