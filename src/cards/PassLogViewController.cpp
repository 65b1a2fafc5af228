#include "cards/PassLogViewController.h"

#include "api/Constants.h"
#include "api/JsonUtil.h"
#include "api/URLConfig.h"
#include "cards/AliWxCardDetailViewController.h"
#include "cards/CardVolumeCell.h"
#include "cards/CardVolumeDetailViewController.h"
#include "cards/PassTypeTiles.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/TableView.h"
#include "refresh/RefreshBackNormalFooter.h"
#include "refresh/RefreshNormalHeader.h"
#include "refresh/ScrollViewRefresh.h"
#include "ui/PromptUtil.h"

void PassLogViewController::buildLog(double top, double bottom)
{
    auto root = view();
    double width = root->bounds().width();
    std::weak_ptr<PassLogViewController> weak = selfLog();
    m_couponType = std::string(PASS_TYPE_PLAT);
    m_page = 1;
    m_datas.clear();
    m_tiles = std::make_shared<PassTypeTiles>(width, [weak](kit::Control& sender) {
        if (auto strong = weak.lock())
            strong->topButtonClick(sender);
    });
    m_tiles->setFrame({ 0, top, width, PassTypeTiles::height });
    root->addSubview(m_tiles);

    double tableTop = top + PassTypeTiles::height;
    m_tableView = std::make_shared<kit::TableView>(graphics::Rect { 0, tableTop, width, bottom - tableTop });
    m_tableView->setName("tableView");
    m_tableView->registerCellFactory(
        CardVolumeCell::reuseIdentifier, [] { return std::make_shared<CardVolumeCell>(); });
    m_tableView->setDelegate(selfLog());
    m_tableView->setDataSource(selfLog());
    m_tableView->setTableFooterView(std::make_shared<kit::View>());
    root->addSubview(m_tableView);
    setFooter(*m_tableView, RefreshBackNormalFooter::footerWithRefreshingBlock([weak] {
        if (auto strong = weak.lock())
            strong->pulled(false);
    }));
    setHeader(*m_tableView, RefreshNormalHeader::headerWithRefreshingBlock([weak] {
        if (auto strong = weak.lock())
            strong->pulled(true);
    }));
}

void PassLogViewController::pulled(bool isRefresh)
{
    if (mayPull()) {
        getMoreOrRefreshData(isRefresh);
        return;
    }
    if (isRefresh) {
        if (auto control = header(*m_tableView))
            control->endRefreshing();
    } else if (auto control = footer(*m_tableView)) {
        control->endRefreshing();
    }
    pullRefused();
}

std::string_view PassLogViewController::logPath() const
{
    if (m_couponType == PASS_TYPE_ALI)
        return URLConfig::ALI_PASS_LOG;
    if (m_couponType == PASS_TYPE_WX)
        return URLConfig::WX_PASS_LOG;
    return URLConfig::GET_COUPON_SEND_LOG;
}

void PassLogViewController::topButtonClick(kit::Control& sender)
{
    if (!mayChangeType())
        return;
    if (auto type = m_tiles->typeOf(sender)) {
        m_tiles->select(*type);
        m_couponType = std::string(*type);
    }
    getCouponSendRecord();
}

void PassLogViewController::getCouponSendRecord()
{
    m_datas.clear();
    m_tableView->reloadData();
    m_page = 1;
    auto generation = ++m_generation;
    std::weak_ptr<PassLogViewController> weak = selfLog();
    NetUtilSign::doPost(logPath(), std::nullopt, NetUtilSign::memberKeyFlag, logParameters(true),
        [weak, generation](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handlePage(generation, Page::First, reply);
        });
}

void PassLogViewController::getMoreOrRefreshData(bool isRefresh)
{
    // The page moves on before the reply and stays moved when it fails.
    m_page = isRefresh ? 1 : m_page + 1;
    if (isRefresh)
        ++m_generation;
    auto generation = m_generation;
    std::weak_ptr<PassLogViewController> weak = selfLog();
    NetUtilSign::doPostForDownRefresh(logPath(), m_tableView, NetUtilSign::memberKeyFlag,
        logParameters(false), [weak, generation, isRefresh](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handlePage(generation, isRefresh ? Page::Refresh : Page::Next, reply);
        });
}

void PassLogViewController::handlePage(
    std::uint64_t generation, Page page, const std::optional<std::string>& replyText)
{
    if (generation != m_generation)
        return;
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    const auto& list = foundation::valueForKey(JsonUtil::data(reply), "list");
    // A pull that brings nothing keeps the rows shown.
    if (page != Page::First && (!list.is_array() || list.empty()))
        return;
    if (page == Page::Refresh)
        m_datas.clear();
    appendRows(list);
    m_tableView->reloadData();
}

void PassLogViewController::appendRows(const foundation::Json& list)
{
    if (!list.is_array())
        return;
    for (const auto& item : list)
        m_datas.push_back(item);
}

int PassLogViewController::tableViewNumberOfRowsInSection(kit::TableView&, int)
{
    return static_cast<int>(m_datas.size());
}

std::optional<double> PassLogViewController::tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath)
{
    return CardVolumeCell::rowHeight;
}

std::shared_ptr<kit::TableViewCell> PassLogViewController::tableViewCellForRowAtIndexPath(
    kit::TableView& tableView, kit::IndexPath indexPath)
{
    auto cell = std::dynamic_pointer_cast<CardVolumeCell>(
        tableView.dequeueReusableCellWithIdentifier(CardVolumeCell::reuseIdentifier, indexPath));
    if (cell && indexPath.row >= 0 && static_cast<std::size_t>(indexPath.row) < m_datas.size())
        cell->fill(m_couponType, m_datas[static_cast<std::size_t>(indexPath.row)]);
    return cell;
}

void PassLogViewController::tableViewDidSelectRowAtIndexPath(kit::TableView&, kit::IndexPath indexPath)
{
    if (!mayOpenRecord())
        return;
    auto navigation = navigationController();
    if (!navigation || indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= m_datas.size())
        return;
    const auto& record = m_datas[static_cast<std::size_t>(indexPath.row)];
    std::shared_ptr<kit::ViewController> detail;
    if (m_couponType == PASS_TYPE_PLAT) {
        auto platform = std::make_shared<CardVolumeDetailViewController>();
        platform->setEntity(record);
        detail = platform;
    } else {
        auto wallet = std::make_shared<AliWxCardDetailViewController>();
        wallet->setEntity(record);
        wallet->setCouponType(m_couponType);
        detail = wallet;
    }
    detail->setHidesBottomBarWhenPushed(true);
    navigation->pushViewController(detail, true);
}
