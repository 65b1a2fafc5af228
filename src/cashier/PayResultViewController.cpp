#include "cashier/PayResultViewController.h"

#include "api/DateUtil.h"
#include "app/AppDelegate.h"
#include "cashier/BillViewController.h"
#include "cashier/CashierViews.h"
#include "cashier/ChoosePayWayViewController.h"
#include "cashier/OrderDetailViewController.h"
#include "hud/ProgressHUD.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Screen.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"

#include <algorithm>
#include <cmath>

namespace {

// The first screen of type T from the bottom of the stack.
template<class T> std::shared_ptr<kit::ViewController> firstOfClass(kit::NavigationController& navigation)
{
    for (const auto& screen : navigation.viewControllers()) {
        if (std::dynamic_pointer_cast<T>(screen))
            return screen;
    }
    return nullptr;
}

// The nearest screen of type T below the top.
template<class T> std::shared_ptr<kit::ViewController> nearestBelowTop(kit::NavigationController& navigation)
{
    const auto& stack = navigation.viewControllers();
    for (std::size_t i = stack.size(); i-- > 1;) {
        if (std::dynamic_pointer_cast<T>(stack[i - 1]))
            return stack[i - 1];
    }
    return nullptr;
}

} // namespace

void PayResultViewController::showAfterProcessing(BaseViewController& from, const foundation::Json& order,
    const std::string& money, bool isRestartPay, bool isFromOrderDetailInto)
{
    auto hud = PromptUtil::showProgressDialog(std::string("处理支付中..."));
    hud->hideAfterDelay(true, 0.5);
    push(from, order, money, isRestartPay, isFromOrderDetailInto);
}

void PayResultViewController::push(BaseViewController& from, const foundation::Json& order,
    const std::string& money, bool isRestartPay, bool isFromOrderDetailInto)
{
    if (auto navigation = from.navigationController())
        push(*navigation, order, money, isRestartPay, isFromOrderDetailInto);
}

void PayResultViewController::push(kit::NavigationController& navigation, const foundation::Json& order,
    const std::string& money, bool isRestartPay, bool isFromOrderDetailInto)
{
    auto result = kit::Registry::shared().instantiate<PayResultViewController>(std::string(nibName));
    if (!result)
        return;
    result->setData(order);
    result->setMoney(money);
    result->setIsRestartPay(isRestartPay);
    result->setIsFromOrderDetailInto(isFromOrderDetailInto);
    // As over the pay-way screen, also when it opens over a tab's root.
    result->setHidesBottomBarWhenPushed(true);
    navigation.pushViewController(result, true);
}

void PayResultViewController::pushLate(
    kit::NavigationController& navigation, const foundation::Json& order, const std::string& money)
{
    auto result = kit::Registry::shared().instantiate<PayResultViewController>(std::string(nibName));
    if (!result)
        return;
    result->setData(order);
    result->setMoney(money);
    result->m_isLate = true;
    result->setHidesBottomBarWhenPushed(true);
    navigation.pushViewController(result, true);
}

void PayResultViewController::popToKeepingLateResults(
    kit::NavigationController& navigation, const std::shared_ptr<kit::ViewController>& target)
{
    auto stack = navigation.viewControllers();
    auto at = std::find(stack.begin(), stack.end(), target);
    if (at == stack.end())
        return;
    std::vector<std::shared_ptr<kit::ViewController>> kept(stack.begin(), at + 1);
    for (auto above = at + 1; above != stack.end(); ++above) {
        auto result = std::dynamic_pointer_cast<PayResultViewController>(*above);
        if (result && result->isLate())
            kept.push_back(*above);
    }
    if (kept.size() == static_cast<std::size_t>(at + 1 - stack.begin()))
        navigation.popToViewController(target, true);
    else
        navigation.setViewControllers(std::move(kept), true);
}

void PayResultViewController::loadView()
{
    auto bounds = kit::Screen::mainScreen().bounds();
    auto root = std::make_shared<kit::View>(bounds);
    root->setBackgroundColor(ColorUtil::getUIColorByHex(CashierViews::pageHex));
    setView(root);
    double width = bounds.width();
    double top = CashierViews::navigationBarHeight;

    m_ivResult = std::make_shared<kit::ImageView>();
    m_ivResult->setName("ivResult");
    m_ivResult->setContentMode(kit::ContentMode::Center);
    m_ivResult->setFrame({ 0, top + 30, width, 70 });
    root->addSubview(m_ivResult);
    m_labelPayResult = CashierViews::label(
        "labelPayResult", 22, CashierViews::darkTextHex, graphics::TextAlignment::Center, "支付结果");
    m_labelPayResult->setFrame({ 0, top + 110, width, 30 });
    root->addSubview(m_labelPayResult);

    auto details = CashierViews::panel("detailsView", "FFFFFF");
    details->setFrame({ 0, top + 160, width, 4 * 40 });
    root->addSubview(details);
    const char* captions[] = { "支付状态：", "订单号：", "订单金额：", "支付时间：" };
    const char* names[] = { "labelPayStatus", "labelOrderId", "labelOrderMoney", "labelPayTime" };
    std::shared_ptr<kit::Label>* outlets[]
        = { &m_labelPayStatus, &m_labelOrderId, &m_labelOrderMoney, &m_labelPayTime };
    for (int i = 0; i < 4; ++i) {
        auto caption = CashierViews::label("", 15, "888888", graphics::TextAlignment::Left, captions[i]);
        caption->setFrame({ 15, i * 40.0, 90, 40 });
        details->addSubview(caption);
        *outlets[i] = CashierViews::label(
            names[i], 15, CashierViews::darkTextHex, graphics::TextAlignment::Right, "--");
        (*outlets[i])->setFrame({ 105, i * 40.0, width - 120, 40 });
        details->addSubview(*outlets[i]);
    }
}

void PayResultViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
}

void PayResultViewController::initViews()
{
    setTitle("支付结果");
    bool paid = foundation::optionalText(m_data, "paystatus") == "1";
    m_ivResult->setImage(graphics::Image::named(paid ? "IconPaySuccess" : "IconPayFail"));
    if (!paid) {
        m_labelPayResult->setText("支付失败");
        return;
    }
    m_labelPayResult->setText("支付成功");
    m_labelOrderId->setText(foundation::optionalText(m_data, "orderid").value_or(""));
    m_labelOrderMoney->setText(m_money);
    m_labelPayStatus->setText("成功");
    // A payment found due at a restart may not know its time: the label keeps its dash.
    if (!m_data.contains("paytime"))
        return;
    // Whole seconds: a fractional time is cut, not rounded.
    double paytime = foundation::doubleValue(foundation::valueForKey(m_data, "paytime"));
    m_labelPayTime->setText(DateUtil::timestampToString(static_cast<std::int64_t>(std::trunc(paytime))));
}

void PayResultViewController::back()
{
    auto navigation = navigationController();
    if (!navigation)
        return;
    std::shared_ptr<kit::ViewController> target;
    if (m_isLate) {
        // Wherever the staff were when it came, with what they had there.
        navigation->popViewControllerAnimated(true);
        return;
    }
    if (!m_isRestartPay) {
        if (foundation::optionalText(m_data, "paystatus") == "1") {
            // Set before the pop, so the collect tab sees it as it appears
            // (after a late result kept over it, if one is).
            if (auto app = AppDelegate::shared())
                app->setIsPaySuccessBack(true);
            if (!navigation->viewControllers().empty())
                popToKeepingLateResults(*navigation, navigation->viewControllers().front());
            return;
        }
        // The pay-way screen this payment was made on, where the cashier
        // can choose again; a member payment has its member screens below it.
        target = nearestBelowTop<ChoosePayWayViewController>(*navigation);
    } else if (m_isFromOrderDetailInto) {
        target = firstOfClass<OrderDetailViewController>(*navigation);
    } else {
        target = firstOfClass<BillViewController>(*navigation);
    }
    if (target)
        popToKeepingLateResults(*navigation, target);
    else
        navigation->popViewControllerAnimated(true);
}
