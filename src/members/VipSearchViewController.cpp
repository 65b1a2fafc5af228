#include "members/VipSearchViewController.h"

#include "api/DesCipher.h"
#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "members/VipCardUserCell.h"
#include "members/VipDetailViewController.h"
#include "members/VipListPage.h"
#include "model/VipListEntity.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/BarButtonItem.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Registry.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "refresh/RefreshBackNormalFooter.h"
#include "refresh/RefreshNormalHeader.h"
#include "refresh/ScrollViewRefresh.h"
#include "ui/ColorUtil.h"
#include "ui/GreenButton.h"
#include "ui/PromptUtil.h"
#include "ui/TitleLabel.h"

void VipSearchViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
}

void VipSearchViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    m_tvSearchContent->becomeFirstResponder();
}

void VipSearchViewController::initViews()
{
    navigationItem()->setTitleView(TitleLabel::make("会员管理"));
    auto scan = std::make_shared<kit::Button>(kit::ButtonType::Custom, graphics::Rect { 0, 0, 60, 44 });
    scan->setName("btnScan");
    scan->setImage(graphics::Image::named("IconTopScan"), kit::ControlState::Normal);
    scan->setImage(graphics::Image::named("IconTopScanOn"), kit::ControlState::Highlighted);
    scan->addTarget(self(), &BaseViewController::toScanUI, kit::ControlEvent::TouchUpInside);
    navigationItem()->setRightBarButtonItems(
        { kit::BarButtonItem::fixedSpace(-25), std::make_shared<kit::BarButtonItem>(scan) });

    auto root = view();
    root->setBackgroundColor(graphics::Color::white());
    double width = root->bounds().width();
    m_tvSearchContent = std::make_shared<kit::TextField>(graphics::Rect { 10, 64 + 8, width - 90, 34 });
    m_tvSearchContent->setName("tvSearchContent");
    m_tvSearchContent->setPlaceholder("姓名/手机号/会员卡号");
    m_tvSearchContent->setBorderStyle(kit::TextBorderStyle::RoundedRect);
    m_tvSearchContent->setReturnKeyType(kit::ReturnKeyType::Default);
    m_tvSearchContent->setDelegate(self());
    root->addSubview(m_tvSearchContent);
    m_btnSearch = std::make_shared<kit::Button>(
        kit::ButtonType::Custom, graphics::Rect { width - 72, 64 + 8, 62, 34 });
    m_btnSearch->setName("btnSearch");
    m_btnSearch->setTitle("搜索", kit::ControlState::Normal);
    m_btnSearch->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    GreenButton::style(*m_btnSearch);
    m_btnSearch->addTarget(selfSearch(), &VipSearchViewController::search, kit::ControlEvent::TouchUpInside);
    root->addSubview(m_btnSearch);

    double tableY = 64 + 50;
    m_tableView = std::make_shared<kit::TableView>(
        graphics::Rect { 0, tableY, width, root->bounds().height() - tableY });
    m_tableView->setName("tableView");
    m_tableView->setTableFooterView(std::make_shared<kit::View>());
    m_tableView->setDelegate(selfSearch());
    m_tableView->setDataSource(selfSearch());
    m_tableView->registerCellFactory(
        VipCardUserCell::reuseIdentifier, [] { return std::make_shared<VipCardUserCell>(); });
    std::weak_ptr<VipSearchViewController> weak = selfSearch();
    setFooter(*m_tableView, RefreshBackNormalFooter::footerWithRefreshingBlock([weak] {
        if (auto strong = weak.lock())
            strong->getMoreOrRefreshData(false);
    }));
    setHeader(*m_tableView, RefreshNormalHeader::headerWithRefreshingBlock([weak] {
        if (auto strong = weak.lock())
            strong->getMoreOrRefreshData(true);
    }));
    root->addSubview(m_tableView);
}

void VipSearchViewController::search()
{
    m_searchContent = foundation::trimWhitespaceAndNewlines(m_tvSearchContent->text());
    m_page = 1;
    if (m_searchContent->empty()) {
        PromptUtil::toast("请输入搜索内容！");
        return;
    }
    if (!m_tvSearchContent->isExclusiveTouch())
        m_tvSearchContent->resignFirstResponder();
    searchVip();
}

void VipSearchViewController::searchVip()
{
    send(true, true);
}

void VipSearchViewController::getMoreOrRefreshData(bool isDownRefresh)
{
    m_page = isDownRefresh ? 1 : m_page + 1;
    if (!m_searchContent)
        m_searchContent = std::string();
    send(false, isDownRefresh);
}

void VipSearchViewController::send(bool isNewSearch, bool isDownRefresh)
{
    if (isDownRefresh)
        ++m_generation;
    auto generation = m_generation;
    NetUtilSign::Parameters parameters;
    parameters["currentpage"] = std::to_string(m_page);
    parameters["pagesize"] = VipListPage::pageSize;
    parameters["keyword"] = DesCipher::urlEncode(m_searchContent.value_or(""));
    parameters["urlencode"] = "1";
    std::weak_ptr<VipSearchViewController> weak = selfSearch();
    auto callback = [weak, generation, isNewSearch, isDownRefresh](const std::optional<std::string>& reply) {
        if (auto strong = weak.lock())
            strong->handleReply(generation, isNewSearch, isDownRefresh, reply);
    };
    if (isNewSearch)
        NetUtilSign::doPost(URLConfig::GET_MEMBER_LIST, std::nullopt, NetUtilSign::memberKeyFlag, parameters,
            std::move(callback));
    else
        NetUtilSign::doPostForDownRefresh(URLConfig::GET_MEMBER_LIST, m_tableView, NetUtilSign::memberKeyFlag,
            parameters, std::move(callback));
}

void VipSearchViewController::handleReply(std::uint64_t generation, bool isNewSearch, bool isDownRefresh,
    const std::optional<std::string>& replyText)
{
    if (generation != m_generation)
        return;
    auto reply = JsonUtil::getJSONObject(replyText);
    const auto& data = JsonUtil::data(reply);
    bool found = JsonUtil::isSuccess(reply) && foundation::valueForKey(data, "list").is_array()
        && VipListPage::count(data) >= 1;
    if (!found) {
        PromptUtil::toast(JsonUtil::info(reply));
        // The rows shown belong to another keyword: none of them may be
        // opened as a match of this one.
        if (isNewSearch) {
            m_vipArray.clear();
            m_tableView->reloadData();
        }
        return;
    }
    auto rows = VipListPage::rows(data);
    if (isDownRefresh)
        m_vipArray.clear();
    else if (rows.empty())
        return;
    m_vipArray.insert(m_vipArray.end(), rows.begin(), rows.end());
    m_tableView->reloadData();
}

void VipSearchViewController::scanCallback(const std::string& code)
{
    if (code.empty()) {
        PromptUtil::toast("扫描失败,请重试！");
        return;
    }
    openDetail(code);
}

void VipSearchViewController::touchesEnded(const kit::Touch& touch)
{
    BaseViewController::touchesEnded(touch);
    if (!m_tvSearchContent->isExclusiveTouch())
        m_tvSearchContent->resignFirstResponder();
}

int VipSearchViewController::tableViewNumberOfRowsInSection(kit::TableView&, int)
{
    return static_cast<int>(m_vipArray.size());
}

std::optional<double> VipSearchViewController::tableViewHeightForRowAtIndexPath(
    kit::TableView&, kit::IndexPath)
{
    return VipCardUserCell::rowHeight;
}

std::shared_ptr<kit::TableViewCell> VipSearchViewController::tableViewCellForRowAtIndexPath(
    kit::TableView& tableView, kit::IndexPath indexPath)
{
    auto cell = std::dynamic_pointer_cast<VipCardUserCell>(
        tableView.dequeueReusableCellWithIdentifier(VipCardUserCell::reuseIdentifier, indexPath));
    if (cell && static_cast<std::size_t>(indexPath.row) < m_vipArray.size())
        cell->fill(*m_vipArray[static_cast<std::size_t>(indexPath.row)]);
    return cell;
}

void VipSearchViewController::tableViewDidSelectRowAtIndexPath(kit::TableView&, kit::IndexPath indexPath)
{
    if (!checkIsLoginAndKeyExists() || static_cast<std::size_t>(indexPath.row) >= m_vipArray.size())
        return;
    if (m_tvSearchContent->isFirstResponder())
        m_tvSearchContent->resignFirstResponder();
    openDetail(m_vipArray[static_cast<std::size_t>(indexPath.row)]->cardnum().value_or(""));
}

void VipSearchViewController::openDetail(const std::string& cardnum)
{
    VipDetailViewController::open(navigationController(), cardnum);
}
