#include "members/MemberConsumeResultViewController.h"

#include "cashier/PayResultViewController.h"
#include "members/VipConsumeViewController.h"
#include "members/VipDetailViewController.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "ui/ColorUtil.h"
#include "ui/TitleLabel.h"

void MemberConsumeResultViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
}

bool MemberConsumeResultViewController::succeeded() const
{
    return foundation::intValue(foundation::valueForKey(m_data, "status")) == 1;
}

void MemberConsumeResultViewController::initViews()
{
    navigationItem()->setTitleView(TitleLabel::make(resultTitle()));
    auto root = view();
    root->setBackgroundColor(graphics::Color::white());
    double width = root->bounds().width();
    auto addLabel = [&](const char* name, const char* caption, double y, double fontSize) {
        if (caption) {
            auto title = std::make_shared<kit::Label>(graphics::Rect { 20, y, 90, 24 });
            title->setText(caption);
            title->setFont(graphics::Font::systemFont(15));
            title->setTextColor(ColorUtil::getUIColorByHex("888888"));
            root->addSubview(title);
        }
        auto label = std::make_shared<kit::Label>(
            caption ? graphics::Rect { 110, y, width - 130, 24 } : graphics::Rect { 0, y, width, 30 });
        label->setName(name);
        label->setFont(graphics::Font::systemFont(fontSize));
        label->setTextColor(ColorUtil::getUIColorByHex("34434e"));
        if (!caption)
            label->setTextAlignment(graphics::TextAlignment::Center);
        root->addSubview(label);
        return label;
    };
    m_labelPayResult = addLabel("labelPayResult", nullptr, 64 + 30, 22);
    m_labelPayStatus = addLabel("labelPayStatus", "支付状态", 64 + 90, 15);
    m_labelOrderId = addLabel("labelOrderId", "订单号", 64 + 124, 15);
    m_labelOrderMoney = addLabel("labelOrderMoney", "支付金额", 64 + 158, 15);
    if (succeeded()) {
        m_labelPayResult->setText("结账成功");
        m_labelOrderId->setText(foundation::optionalText(m_data, "orderid"));
        m_labelPayStatus->setText("成功");
        m_labelOrderMoney->setText(foundation::formatFixed(m_money, 2));
    } else {
        m_labelPayResult->setText("支付失败");
    }
}

void MemberConsumeResultViewController::back()
{
    auto navigation = navigationController();
    if (!navigation)
        return;
    bool success = succeeded();
    for (const auto& screen : navigation->viewControllers()) {
        bool target = success ? std::dynamic_pointer_cast<VipDetailViewController>(screen) != nullptr
                              : screen && isRetryScreen(*screen);
        if (target) {
            PayResultViewController::popToKeepingLateResults(*navigation, screen);
            return;
        }
    }
}

bool MemberConsumeResultViewController::isRetryScreen(const kit::ViewController& screen) const
{
    return dynamic_cast<const VipConsumeViewController*>(&screen) != nullptr;
}
