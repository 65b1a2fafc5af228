#include "cards/SendCardViewController.h"

#include "cards/AliCouponListViewController.h"
#include "cards/ChooseCardVolumeViewController.h"
#include "cards/WxCouponListViewController.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "ui/ColorUtil.h"

void SendCardViewController::initViews()
{
    double y = placeCard("卡券发放");
    auto root = view();
    double width = root->bounds().width();
    auto addButton = [&](const char* name, const char* title) {
        auto button
            = std::make_shared<kit::Button>(kit::ButtonType::Custom, graphics::Rect { 0, y, width, 50 });
        button->setName(name);
        button->setTitle(title, kit::ControlState::Normal);
        button->setTitleColor(ColorUtil::getUIColorByHex("34434e"), kit::ControlState::Normal);
        setBtnStyle(*button);
        button->addTarget(std::static_pointer_cast<SendCardViewController>(shared_from_this()),
            &SendCardViewController::toChooseCardVolumeUI, kit::ControlEvent::TouchUpInside);
        root->addSubview(button);
        y += 51;
        return button;
    };
    m_btnQuorvastCard = addButton("btnQuorvastCard", "平台卡券");
    m_btnAliCard = addButton("btnAliCard", "支付宝卡券");
    m_btnWxCard = addButton("btnWxCard", "微信卡券");
}

void SendCardViewController::setBtnStyle(kit::Button& button)
{
    button.setBackgroundImage(
        ColorUtil::getUIImageByUIColor(graphics::Color::white()), kit::ControlState::Normal);
    auto pressed = ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("E4E5E4"));
    button.setBackgroundImage(pressed, kit::ControlState::Highlighted);
    button.setBackgroundImage(pressed, kit::ControlState::Selected);
}

void SendCardViewController::toChooseCardVolumeUI(kit::Control& sender)
{
    std::shared_ptr<PassChooserViewController> chooser;
    if (&sender == m_btnQuorvastCard.get())
        chooser = std::make_shared<ChooseCardVolumeViewController>();
    else if (&sender == m_btnAliCard.get())
        chooser = std::make_shared<AliCouponListViewController>();
    else if (&sender == m_btnWxCard.get())
        chooser = std::make_shared<WxCouponListViewController>();
    auto navigation = navigationController();
    if (!chooser || !navigation)
        return;
    chooser->setVipEntity(vipEntity());
    navigation->pushViewController(chooser, true);
}
