#include "cashier/OrderSearchViewController.h"

#include "api/Constants.h"
#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "cashier/CashierViews.h"
#include "cashier/CollectInputRules.h"
#include "cashier/Order404ViewController.h"
#include "cashier/OrderDetailViewController.h"
#include "cashier/SubmitGuard.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/BarButtonItem.h"
#include "platform/kit/Button.h"
#include "platform/kit/Layer.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TextField.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"

OrderSearchViewController::OrderSearchViewController()
    : m_submitGuard(SubmitGuard::create())
{
}

void OrderSearchViewController::loadView()
{
    auto bounds = kit::Screen::mainScreen().bounds();
    auto root = std::make_shared<kit::View>(bounds);
    root->setBackgroundColor(ColorUtil::getUIColorByHex(CashierViews::pageHex));
    setView(root);
    double width = bounds.width();
    double y = CashierViews::navigationBarHeight + 30;
    m_tvOrderNum = std::make_shared<kit::TextField>(graphics::Rect { 15, y, width - 30, 44 });
    m_tvOrderNum->setName("tvOrderNum");
    m_tvOrderNum->setPlaceholder("请输入订单号");
    m_tvOrderNum->setBackgroundColor(graphics::Color::white());
    root->addSubview(m_tvOrderNum);
    m_btnSearch = CashierViews::greenButton("btnSearch", "查询");
    m_btnSearch->setFrame({ 15, y + 64, width - 30, 44 });
    root->addSubview(m_btnSearch);
}

void OrderSearchViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
}

void OrderSearchViewController::initViews()
{
    setTitle("订单查询");
    auto self = selfSearch();
    m_tvOrderNum->setKeyboardType(kit::KeyboardType::PhonePad);
    m_tvOrderNum->setDelegate(std::static_pointer_cast<kit::TextFieldDelegate>(self));
    m_tvOrderNum->setBorderStyle(kit::TextBorderStyle::RoundedRect);
    m_tvOrderNum->layer().setCornerRadius(3);
    m_tvOrderNum->layer().setBorderWidth(0.5);
    m_tvOrderNum->layer().setBorderColor(ColorUtil::getUIColorByHex("3AAA24"));
    m_btnSearch->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("3AAA24")), kit::ControlState::Normal);
    m_btnSearch->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2F841D")), kit::ControlState::Highlighted);
    m_submitGuard->setControls({ m_btnSearch });
    m_btnSearch->addTarget(self, &OrderSearchViewController::search, kit::ControlEvent::TouchUpInside);

    auto scan = std::make_shared<kit::Button>(kit::ButtonType::Custom, graphics::Rect { 0, 0, 60, 44 });
    scan->setName("btnScan");
    scan->setImage(graphics::Image::named("IconTopScan"), kit::ControlState::Normal);
    scan->setImage(graphics::Image::named("IconTopScanOn"), kit::ControlState::Highlighted);
    scan->addTarget(std::static_pointer_cast<BaseViewController>(self), &BaseViewController::toScanUI,
        kit::ControlEvent::TouchUpInside);
    navigationItem()->setRightBarButtonItems(
        { kit::BarButtonItem::fixedSpace(-25), std::make_shared<kit::BarButtonItem>(scan) });
}

void OrderSearchViewController::scanCallback(const std::string& code)
{
    if (!code.empty())
        m_tvOrderNum->setText(code);
}

void OrderSearchViewController::touchesEnded(const kit::Touch&)
{
    m_tvOrderNum->resignFirstResponder();
}

void OrderSearchViewController::search()
{
    if (m_submitGuard->isBlocked())
        return;
    getAliPayOrderDetailById();
}

void OrderSearchViewController::getAliPayOrderDetailById()
{
    lookUp(PAY_TYPE_ALIPAY, &OrderSearchViewController::getWxPayOrderDetailById);
}

void OrderSearchViewController::getWxPayOrderDetailById()
{
    lookUp(PAY_TYPE_WXPAY, &OrderSearchViewController::toNotFound);
}

void OrderSearchViewController::lookUp(std::string_view wallet, void (OrderSearchViewController::*next)())
{
    std::string number = foundation::trimWhitespaceAndNewlines(m_tvOrderNum->text());
    if (number.empty()) {
        PromptUtil::toast("请输入订单号！");
        return;
    }
    // No order number holds these, and sent as they are they would add
    // parameters of their own to the request.
    if (!CollectInputRules::isFormSafe(number)) {
        toNotFound();
        return;
    }
    NetUtilSign::Parameters parameters;
    parameters["m_paytype"] = std::string(wallet);
    parameters["orderid"] = number;
    auto token = m_submitGuard->block();
    std::weak_ptr<OrderSearchViewController> weak = selfSearch();
    NetUtilSign::doPost(OrderDetailViewController::detailsPath, std::nullopt, NetUtilSign::receivableKeyFlag,
        parameters, [weak, next, token](const std::optional<std::string>& reply) {
            auto screen = weak.lock();
            if (!screen)
                return;
            auto json = JsonUtil::getJSONObject(reply);
            const auto& data = JsonUtil::data(json);
            if (!JsonUtil::isSuccess(json) || !data.is_object()) {
                ((*screen).*next)();
                return;
            }
            auto navigation = screen->navigationController();
            auto detail = screen->mainStoryboard()
                ? screen->mainStoryboard()->instantiate<OrderDetailViewController>(
                    std::string(OrderDetailViewController::nibName))
                : nullptr;
            if (!detail || !navigation)
                return;
            detail->setOrderEntity(data);
            navigation->pushViewController(detail, true);
        });
}

void OrderSearchViewController::toNotFound()
{
    auto navigation = navigationController();
    auto notFound = mainStoryboard()
        ? mainStoryboard()->instantiate(std::string(Order404ViewController::nibName))
        : nullptr;
    if (notFound && navigation)
        navigation->pushViewController(notFound, true);
}
