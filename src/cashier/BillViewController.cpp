#include "cashier/BillViewController.h"

#include "api/Constants.h"
#include "api/DateUtil.h"
#include "api/JsonUtil.h"
#include "cashier/BillTableViewCell.h"
#include "cashier/CashierViews.h"
#include "cashier/OrderDetailViewController.h"
#include "cashier/OrderSearchViewController.h"
#include "model/OrderEntity.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Strings.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/BarButtonItem.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/Layer.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TableView.h"
#include "refresh/RefreshAutoNormalFooter.h"
#include "refresh/RefreshNormalHeader.h"
#include "refresh/ScrollViewRefresh.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"

#include <tuple>

namespace {

constexpr double moneyFontSize = 35;
constexpr double moneyLineHeight = 45;
constexpr double tabsHeight = 56;
constexpr double dateBarHeight = 36;
constexpr std::string_view selectedHex = "3BAA24";

// A day sum as the server sends it: absent or the text "null" count as 0.
double sumValue(const foundation::Json& data, std::string_view key)
{
    const auto& value = foundation::valueForKey(data, key);
    if (value.is_null() || (value.is_string() && value.get<std::string>() == "null"))
        return 0;
    return foundation::doubleValue(value);
}

} // namespace

void BillViewController::loadView()
{
    auto bounds = kit::Screen::mainScreen().bounds();
    auto root = std::make_shared<kit::View>(bounds);
    root->setBackgroundColor(ColorUtil::getUIColorByHex(CashierViews::pageHex));
    setView(root);

    m_topView = CashierViews::panel("topView", CashierViews::greenHex);
    std::tie(m_labelMoneyFlag, m_labelMoney) = CashierViews::whiteMoney(*m_topView, moneyFontSize, "0.00");
    root->addSubview(m_topView);

    static constexpr const char* buttonNames[3] = { "btnAlipayBill", "btnWxpayBill", "btnBdpayBill" };
    static constexpr const char* nameNames[3] = { "labelAliName", "labelWxName", "labelBdName" };
    static constexpr const char* sumNames[3] = { "labelAliMoney", "labelWxMoney", "labelBdMoney" };
    static constexpr const char* cursorNames[3]
        = { "viewAlipayCursor", "viewWxpayCursor", "viewBdpayCursor" };
    static constexpr const char* titles[3] = { "支付宝", "微信支付", "百度钱包" };
    static constexpr std::string_view codes[3] = { PAY_TYPE_ALIPAY, PAY_TYPE_WXPAY, PAY_TYPE_BDPAY };
    // The labels sit in a white strip under bare buttons, so each reads as
    // itself (a button shows only its own title).
    m_tabsView = CashierViews::panel("tabsView", "FFFFFF");
    root->addSubview(m_tabsView);
    for (int i = 0; i < 3; ++i) {
        auto& tab = m_tabs[i];
        tab.code = codes[i];
        tab.button = kit::Button::buttonWithType(kit::ButtonType::Custom);
        tab.button->setName(buttonNames[i]);
        tab.name = CashierViews::label(
            nameNames[i], 13, CashierViews::darkTextHex, graphics::TextAlignment::Center, titles[i]);
        tab.sum = CashierViews::label(
            sumNames[i], 15, CashierViews::darkTextHex, graphics::TextAlignment::Center, "￥0.00");
        tab.cursor = CashierViews::panel(cursorNames[i], selectedHex);
        for (const std::shared_ptr<kit::View>& part : { std::static_pointer_cast<kit::View>(tab.name),
                 std::static_pointer_cast<kit::View>(tab.sum), tab.cursor }) {
            part->setUserInteractionEnabled(false);
            m_tabsView->addSubview(part);
        }
    }
    for (auto& tab : m_tabs)
        m_tabsView->addSubview(tab.button);

    m_dateBar = CashierViews::panel("dateBar", CashierViews::pageHex);
    m_labelDate
        = CashierViews::label("labelDate", 14, CashierViews::darkTextHex, graphics::TextAlignment::Center);
    m_labelDate->setUserInteractionEnabled(false);
    m_ivCalendar = std::make_shared<kit::ImageView>(graphics::Image::named("IconCalendar"));
    m_ivCalendar->setName("ivCalendar");
    m_ivCalendar->setUserInteractionEnabled(false);
    m_btnChooseDate = kit::Button::buttonWithType(kit::ButtonType::Custom);
    m_btnChooseDate->setName("btnChooseDate");
    m_btnRefresh = kit::Button::buttonWithType(kit::ButtonType::Custom);
    m_btnRefresh->setName("btnRefresh");
    m_dateBar->addSubview(m_btnChooseDate);
    m_dateBar->addSubview(m_labelDate);
    m_dateBar->addSubview(m_ivCalendar);
    m_dateBar->addSubview(m_btnRefresh);
    root->addSubview(m_dateBar);

    m_tableView = std::make_shared<kit::TableView>();
    m_tableView->setName("tableView");
    root->addSubview(m_tableView);
}

void BillViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
    setDay(foundation::Clock::current()->now());
    m_currentPayType = PAY_TYPE_ALIPAY;
    for (auto& tab : m_tabs) {
        if (tab.code == m_firstPayType)
            selectTab(tab);
    }
    m_billdata.clear();
    m_page = 1;
    getMoneyForDate();
    getOrderList();
}

void BillViewController::initViews()
{
    setTitle("收款记录");
    auto self = selfBill();
    auto search = std::make_shared<kit::Button>(kit::ButtonType::Custom, graphics::Rect { 0, 0, 44, 44 });
    search->setName("btnSearch");
    search->setImage(graphics::Image::named("IconSearch"), kit::ControlState::Normal);
    search->setImage(graphics::Image::named("IconSearchOn"), kit::ControlState::Highlighted);
    search->addTarget(self, &BillViewController::toSearchOrderUI, kit::ControlEvent::TouchUpInside);
    navigationItem()->setRightBarButtonItems(
        { kit::BarButtonItem::fixedSpace(-5), std::make_shared<kit::BarButtonItem>(search) });

    m_tableView->setDelegate(std::static_pointer_cast<kit::TableViewDelegate>(self));
    m_tableView->setDataSource(std::static_pointer_cast<kit::TableViewDataSource>(self));
    m_tableView->registerNib(
        std::string(BillTableViewCell::nibName), std::string(BillTableViewCell::reuseIdentifier));
    m_tableView->setRowHeight(BillTableViewCell::rowHeight);
    m_tableView->setTableFooterView(std::make_shared<kit::View>());
    std::weak_ptr<BillViewController> weak = self;
    setHeader(*m_tableView, RefreshNormalHeader::headerWithRefreshingBlock([weak] {
        if (auto screen = weak.lock())
            screen->downGetMoreData(true);
    }));
    setFooter(*m_tableView, RefreshAutoNormalFooter::footerWithRefreshingBlock([weak] {
        if (auto screen = weak.lock())
            screen->downGetMoreData(false);
    }));

    for (auto& tab : m_tabs)
        tab.button->addTarget(self, &BillViewController::btnBillClick, kit::ControlEvent::TouchUpInside);
    selectTab(m_tabs[0]);
    m_btnChooseDate->addTarget(self, &BillViewController::btnChooseDate, kit::ControlEvent::TouchUpInside);
    m_btnRefresh->setImage(graphics::Image::named("IconBillRefresh"), kit::ControlState::Normal);
    auto refreshOn = graphics::Image::named("IconBillRefreshOn");
    m_btnRefresh->setImage(refreshOn, kit::ControlState::Highlighted);
    m_btnRefresh->setImage(refreshOn, kit::ControlState::Selected);
    m_btnRefresh->addTarget(self, &BillViewController::refreshBillStatus, kit::ControlEvent::TouchUpInside);
}

void BillViewController::screenAdapter()
{
    if (!m_topView)
        return;
    auto bounds = view()->bounds();
    double width = bounds.width();
    double top = CashierViews::navigationBarHeight;
    double topHeight = bounds.height() * topViewShare - tabsHeight;
    m_topView->setFrame({ 0, top, width, topHeight });
    setMoneyLabelPosition(m_labelMoney->text());
    double tabWidth = width / 3;
    m_tabsView->setFrame({ 0, top + topHeight, width, tabsHeight });
    for (int i = 0; i < 3; ++i) {
        auto& tab = m_tabs[i];
        double x = i * tabWidth;
        tab.button->setFrame({ x, 0, tabWidth, tabsHeight });
        tab.sum->setFrame({ x, 6, tabWidth, 22 });
        tab.name->setFrame({ x, 28, tabWidth, 20 });
        tab.cursor->setFrame({ x, tabsHeight - 2, tabWidth, 2 });
    }
    double dateTop = top + topHeight + tabsHeight;
    m_dateBar->setFrame({ 0, dateTop, width, dateBarHeight });
    m_labelDate->setFrame({ 0, 0, width, dateBarHeight });
    m_btnChooseDate->setFrame({ width / 2 - 70, 0, 140, dateBarHeight });
    placeCalendarIcon();
    m_btnRefresh->setFrame({ width - 44, 0, 44, dateBarHeight });
    double tableTop = dateTop + dateBarHeight;
    m_tableView->setFrame({ 0, tableTop, width, bounds.height() - tableTop });
}

void BillViewController::setMoneyLabelPosition(const std::string& text)
{
    m_labelMoney->setText(text);
    CashierViews::centreMoney(*m_labelMoneyFlag, *m_labelMoney, view()->bounds().width(),
        (m_topView->bounds().height() - moneyLineHeight) / 2, moneyLineHeight, moneyFontSize);
}

void BillViewController::setDay(double date)
{
    m_startTime = DateUtil::getDateForDayStart(date);
    m_endTime = DateUtil::getDateForDayEnd(date);
    m_labelDate->setText(DateUtil::getDateStr(date));
    placeCalendarIcon();
}

void BillViewController::placeCalendarIcon()
{
    constexpr double side = 16;
    double textWidth = 80;
    if (auto measurer = graphics::TextMeasurer::shared())
        textWidth = measurer->sizeOfText(m_labelDate->text(), m_labelDate->font()).width;
    double width = m_dateBar->bounds().width();
    m_ivCalendar->setFrame({ (width - textWidth) / 2 - side - 6, (dateBarHeight - side) / 2, side, side });
}

void BillViewController::selectTab(const WalletTab& selected)
{
    for (auto& tab : m_tabs) {
        bool chosen = &tab == &selected;
        auto colour = ColorUtil::getUIColorByHex(chosen ? selectedHex : CashierViews::darkTextHex);
        tab.sum->setTextColor(colour);
        tab.name->setTextColor(colour);
        tab.cursor->setHidden(!chosen);
        tab.button->setSelected(chosen);
    }
    m_currentPayType = std::string(selected.code);
}

void BillViewController::btnBillClick(kit::Control& sender)
{
    for (auto& tab : m_tabs) {
        if (tab.button.get() != &sender)
            continue;
        selectTab(tab);
        m_billdata.clear();
        m_tableView->reloadData();
        getOrderList();
        return;
    }
}

void BillViewController::refreshBillStatus()
{
    getMoneyForDate();
    getOrderList();
}

void BillViewController::btnChooseDate()
{
    if (!m_bgView) {
        auto bounds = view()->bounds();
        m_bgView = std::make_shared<kit::View>(bounds);
        m_bgView->setName("bgView");
        m_bgView->setBackgroundColor(graphics::Color(0, 0, 0, 0.5));
        auto panel = CashierViews::panel("datePanel", "FFFFFF");
        panel->setFrame({ (bounds.width() - 300) / 2, (bounds.height() - 180) / 2 - 20, 300, 220 });
        panel->layer().setCornerRadius(10);
        panel->setClipsToBounds(true);
        m_datePicker = std::make_shared<kit::DatePicker>(graphics::Rect { 0, 0, 300, 180 });
        m_datePicker->setName("datePicker");
        m_datePicker->setBackgroundColor(graphics::Color::white());
        m_datePicker->setDatePickerMode(kit::DatePickerMode::Date);
        m_datePicker->setLocale("zh_Hans_CN");
        panel->addSubview(m_datePicker);
        auto ok = kit::Button::buttonWithType(kit::ButtonType::Custom);
        ok->setName("btnDateOK");
        ok->setTitle("确定", kit::ControlState::Normal);
        ok->setTitleColor(graphics::Color::black(), kit::ControlState::Normal);
        ok->setFrame({ 0, 180, 300, 40 });
        ok->addTarget(selfBill(), &BillViewController::dateChooseOK, kit::ControlEvent::TouchDown);
        panel->addSubview(ok);
        m_bgView->addSubview(panel);
        m_datePicker->setDate(foundation::Clock::current()->now());
    }
    view()->addSubview(m_bgView);
}

void BillViewController::dateChooseOK()
{
    if (!m_bgView)
        return;
    setDay(m_datePicker->date());
    m_bgView->removeFromSuperview();
    getMoneyForDate();
    getOrderList();
}

void BillViewController::toSearchOrderUI()
{
    auto navigation = navigationController();
    auto search = mainStoryboard()
        ? mainStoryboard()->instantiate(std::string(OrderSearchViewController::nibName))
        : nullptr;
    if (search && navigation)
        navigation->pushViewController(search, true);
}

void BillViewController::getMoneyForDate()
{
    NetUtilSign::Parameters parameters;
    parameters["starttime"] = m_startTime;
    parameters["endtime"] = m_endTime;
    std::weak_ptr<BillViewController> weak = selfBill();
    std::uint64_t generation = ++m_sumGeneration;
    NetUtilSign::doPost(moneySumPath, std::nullopt, NetUtilSign::receivableKeyFlag, parameters,
        [weak, generation](const std::optional<std::string>& reply) {
            auto screen = weak.lock();
            if (screen && generation == screen->m_sumGeneration)
                screen->setLabelMoneyByJsonStr(reply);
        });
}

void BillViewController::setLabelMoneyByJsonStr(const std::optional<std::string>& reply)
{
    auto json = JsonUtil::getJSONObject(reply);
    if (!JsonUtil::isSuccess(json)) {
        PromptUtil::toast("获取收入金额失败,请重试！");
        return;
    }
    const auto& data = JsonUtil::data(json);
    m_aliSumMoney = sumValue(data, "alipay_sum");
    m_wxSumMoney = sumValue(data, "wxpay_sum");
    m_bdSumMoney = sumValue(data, "bdpay_sum");
    m_sumMoney = m_aliSumMoney + m_wxSumMoney + m_bdSumMoney;
    m_tabs[0].sum->setText("￥" + foundation::formatFixed(m_aliSumMoney, 2));
    m_tabs[1].sum->setText("￥" + foundation::formatFixed(m_wxSumMoney, 2));
    m_tabs[2].sum->setText("￥" + foundation::formatFixed(m_bdSumMoney, 2));
    setMoneyLabelPosition(foundation::formatFixed(m_sumMoney, 2));
}

NetUtilSign::Parameters BillViewController::listParameters() const
{
    NetUtilSign::Parameters parameters;
    parameters["m_paytype"] = m_currentPayType;
    parameters["starttime"] = m_startTime;
    parameters["endtime"] = m_endTime;
    parameters["currentpage"] = std::to_string(m_page);
    parameters["pagesize"] = std::string(PAGE_SIZE);
    return parameters;
}

void BillViewController::getOrderList()
{
    m_page = 1;
    std::weak_ptr<BillViewController> weak = selfBill();
    std::uint64_t generation = ++m_listGeneration;
    NetUtilSign::doPost(orderListPath, std::nullopt, NetUtilSign::receivableKeyFlag, listParameters(),
        [weak, generation](const std::optional<std::string>& reply) {
            if (auto screen = weak.lock())
                screen->handleFirstPage(generation, reply);
        });
}

std::optional<foundation::Json> BillViewController::pageData(
    std::uint64_t generation, const std::optional<std::string>& reply)
{
    if (generation != m_listGeneration)
        return std::nullopt;
    auto json = JsonUtil::getJSONObject(reply);
    if (!JsonUtil::isSuccess(json)) {
        PromptUtil::toast(JsonUtil::info(json));
        return std::nullopt;
    }
    return JsonUtil::data(json);
}

void BillViewController::handleFirstPage(std::uint64_t generation, const std::optional<std::string>& reply)
{
    auto page = pageData(generation, reply);
    if (!page)
        return;
    const auto& data = *page;
    const auto& list = foundation::valueForKey(data, "list");
    if (foundation::intValue(foundation::valueForKey(data, "count")) < 1) {
        m_billdata.clear();
        m_tableView->reloadData();
        PromptUtil::toast("暂无订单数据！");
        return;
    }
    m_billdata.clear();
    if (list.is_array())
        m_billdata.assign(list.begin(), list.end());
    m_tableView->reloadData();
    // A new first page starts at its top, not where the last list was left.
    m_tableView->setContentOffset({ 0, -m_tableView->contentInset().top });
}

void BillViewController::downGetMoreData(bool down)
{
    m_page = down ? 1 : m_page + 1;
    // A pull-down starts over: a page still on its way belongs to the old list.
    std::uint64_t generation = down ? ++m_listGeneration : m_listGeneration;
    std::weak_ptr<BillViewController> weak = selfBill();
    NetUtilSign::doPostForDownRefresh(orderListPath, m_tableView, NetUtilSign::receivableKeyFlag,
        listParameters(), [weak, generation, down](const std::optional<std::string>& reply) {
            if (auto screen = weak.lock())
                screen->handleMorePage(generation, down, reply);
        });
}

void BillViewController::handleMorePage(
    std::uint64_t generation, bool down, const std::optional<std::string>& reply)
{
    auto page = pageData(generation, reply);
    if (!page)
        return;
    const auto& data = *page;
    if (foundation::intValue(foundation::valueForKey(data, "count")) < 1) {
        PromptUtil::toast("暂无更多的订单数据！");
        return;
    }
    if (down)
        m_billdata.clear();
    const auto& list = foundation::valueForKey(data, "list");
    if (list.is_array())
        m_billdata.insert(m_billdata.end(), list.begin(), list.end());
    m_tableView->reloadData();
}

int BillViewController::tableViewNumberOfRowsInSection(kit::TableView&, int)
{
    return static_cast<int>(m_billdata.size());
}

std::shared_ptr<kit::TableViewCell> BillViewController::tableViewCellForRowAtIndexPath(
    kit::TableView& tableView, kit::IndexPath indexPath)
{
    auto cell = std::dynamic_pointer_cast<BillTableViewCell>(
        tableView.dequeueReusableCellWithIdentifier(std::string(BillTableViewCell::reuseIdentifier)));
    if (!cell)
        cell = std::make_shared<BillTableViewCell>();
    if (indexPath.row >= 0 && static_cast<std::size_t>(indexPath.row) < m_billdata.size())
        cell->setOrder(
            OrderEntity::initWithJSON(m_billdata[static_cast<std::size_t>(indexPath.row)]), m_currentPayType);
    return cell;
}

std::optional<double> BillViewController::tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath)
{
    return BillTableViewCell::rowHeight;
}

void BillViewController::tableViewDidSelectRowAtIndexPath(kit::TableView& tableView, kit::IndexPath indexPath)
{
    tableView.deselectRowAtIndexPath(indexPath, true);
    if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= m_billdata.size())
        return;
    auto navigation = navigationController();
    auto detail = mainStoryboard() ? mainStoryboard()->instantiate<OrderDetailViewController>(
                      std::string(OrderDetailViewController::nibName))
                                   : nullptr;
    if (!detail || !navigation)
        return;
    detail->setHidesBottomBarWhenPushed(true);
    detail->setOrderId(
        foundation::optionalText(m_billdata[static_cast<std::size_t>(indexPath.row)], "orderid")
            .value_or(""));
    detail->setOrderType(m_currentPayType);
    navigation->pushViewController(detail, true);
}
