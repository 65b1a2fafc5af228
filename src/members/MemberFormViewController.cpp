#include "members/MemberFormViewController.h"

#include "members/MemberCardView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationItem.h"
#include "ui/ColorUtil.h"
#include "ui/TitleLabel.h"

void MemberFormViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    screenAdapter();
}

void MemberFormViewController::viewWillAppear(bool animated)
{
    // Not the base step: the bar stays transparent over the member's card.
    kit::ViewController::viewWillAppear(animated);
    MemberCardView::applyTransparentBar(*this);
}

double MemberFormViewController::placeCard(const char* title, kit::View* parent)
{
    initNavigatonBackButton();
    navigationItem()->setTitleView(TitleLabel::make(title));
    auto root = view();
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F5F3F2"));
    m_card = std::make_shared<MemberCardView>(root->bounds().width());
    (parent ? *parent : *root).addSubview(m_card);
    if (m_vipEntity)
        m_card->fill(*m_vipEntity);
    return MemberCardView::height + 10;
}
