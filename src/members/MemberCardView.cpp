#include "members/MemberCardView.h"

#include "model/VipDetailEntity.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationBar.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/ViewController.h"
#include "ui/ColorUtil.h"

MemberCardView::MemberCardView(double width)
    : kit::View(graphics::Rect { 0, 0, width, height })
{
    setName("memberCard");
    setBackgroundColor(ColorUtil::getUIColorByHex("3AAA24"));
    m_ivBg = std::make_shared<kit::ImageView>(graphics::Rect { 0, 0, width, height });
    m_ivBg->setName("ivBg");
    m_ivBg->setImage(graphics::Image::named("BgVipDetail"));
    addSubview(m_ivBg);
    m_labelVipName = addLabel("labelVipName", { 15, 66, 150, 22 }, 17);
    m_labelVipNum = addLabel("labelVipNum", { 15, 88, 200, 18 }, 13);
    double third = width / 3;
    m_labelVipMoney = addLabel("labelVipMoney", { 0, 108, third, 20 }, 14);
    m_labelVipFreeMoney = addLabel("labelVipFreeMoney", { third, 108, third, 20 }, 14);
    m_labelVipPoint = addLabel("labelVipPoint", { 2 * third, 108, third, 20 }, 14);
    for (const auto& figure : { m_labelVipMoney, m_labelVipFreeMoney, m_labelVipPoint })
        figure->setTextAlignment(graphics::TextAlignment::Center);
    // Three bare figures do not say which is the balance: captioned as on
    // the member's detail.
    const char* captions[] = { "余额", "赠送余额", "积分" };
    for (int i = 0; i < 3; ++i) {
        auto caption = addLabel("", { third * i, 128, third, 16 }, 11);
        caption->setText(captions[i]);
        caption->setTextAlignment(graphics::TextAlignment::Center);
    }
}

std::shared_ptr<kit::Label> MemberCardView::addLabel(
    const char* name, const graphics::Rect& frame, double fontSize)
{
    auto label = std::make_shared<kit::Label>(frame);
    label->setName(name);
    label->setFont(graphics::Font::systemFont(fontSize));
    label->setTextColor(graphics::Color::white());
    addSubview(label);
    return label;
}

void MemberCardView::fill(const VipDetailEntity& member)
{
    m_labelVipName->setText(member.truename());
    m_labelVipNum->setText(member.cardnum());
    m_labelVipMoney->setText(member.money());
    m_labelVipFreeMoney->setText(member.freemoney());
    m_labelVipPoint->setText(member.avail_score());
}

void MemberCardView::applyTransparentBar(kit::ViewController& screen)
{
    auto navigation = screen.navigationController();
    if (!navigation)
        return;
    auto bar = navigation->navigationBar();
    bar->setBackgroundImage(graphics::Image::named("BgTransparent"));
    bar->setBarStyle(kit::BarStyle::BlackTranslucent);
}
