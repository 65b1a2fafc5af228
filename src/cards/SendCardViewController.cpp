#include "cards/SendCardViewController.h"

#include "cards/AliCouponListViewController.h"
#include "cards/ChooseCardVolumeViewController.h"
#include "cards/WxCouponListViewController.h"
#include "members/MemberCardView.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "ui/ColorUtil.h"
#include "ui/TitleLabel.h"

void SendCardViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    screenAdapter();
}

void SendCardViewController::viewWillAppear(bool animated)
{
    // Not the base step: the bar stays transparent over the member's card.
    kit::ViewController::viewWillAppear(animated);
    MemberCardView::applyTransparentBar(*this);
}

void SendCardViewController::initViews()
{
    initNavigatonBackButton();
    navigationItem()->setTitleView(TitleLabel::make("卡券发放"));
    auto root = view();
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F5F3F2"));
    double width = root->bounds().width();
    m_card = std::make_shared<MemberCardView>(width);
    root->addSubview(m_card);
    if (m_vipEntity)
        m_card->fill(*m_vipEntity);

    double y = MemberCardView::height + 10;
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
    chooser->setVipEntity(m_vipEntity);
    navigation->pushViewController(chooser, true);
}
