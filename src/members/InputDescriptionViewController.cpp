#include "members/InputDescriptionViewController.h"

#include "platform/kit/BarButtonItem.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/TextView.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"
#include "ui/TitleLabel.h"

void InputDescriptionViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
}

void InputDescriptionViewController::initViews()
{
    navigationItem()->setTitleView(TitleLabel::make("填写备注", 40));
    auto save = std::make_shared<kit::Button>(kit::ButtonType::Custom, graphics::Rect { 0, 0, 60, 30 });
    save->setName("btnSave");
    save->setTitle("保存", kit::ControlState::Normal);
    save->setTintColor(graphics::Color::white());
    save->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    save->titleLabel()->setFont(graphics::Font::systemFont(14));
    save->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("0e7105")), kit::ControlState::Normal);
    save->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("0c5405")), kit::ControlState::Highlighted);
    save->addTarget(std::static_pointer_cast<InputDescriptionViewController>(self()),
        &InputDescriptionViewController::saveDescription, kit::ControlEvent::TouchUpInside);
    navigationItem()->setRightBarButtonItems(
        { kit::BarButtonItem::fixedSpace(-6), std::make_shared<kit::BarButtonItem>(save) });

    auto root = view();
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F5F3F2"));
    m_tvDescription = std::make_shared<kit::TextView>();
    m_tvDescription->setFrame({ 10, 64 + 10, root->bounds().width() - 20, 150 });
    m_tvDescription->setName("tvDescription");
    m_tvDescription->setBackgroundColor(graphics::Color::white());
    m_tvDescription->setFont(graphics::Font::systemFont(15));
    m_tvDescription->setDelegate(std::static_pointer_cast<InputDescriptionViewController>(self()));
    m_tvDescription->setText(m_content);
    root->addSubview(m_tvDescription);
    m_tvDescription->becomeFirstResponder();
}

void InputDescriptionViewController::saveDescription()
{
    std::string text = m_tvDescription->text();
    if (text.empty()) {
        PromptUtil::toast("请输入备注信息！");
        return;
    }
    if (auto delegate = m_delegate.lock())
        delegate->inputDescriptionCallback(text);
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}
