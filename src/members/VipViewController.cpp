#include "members/VipViewController.h"

#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "members/VipCardUserCell.h"
#include "members/VipDetailViewController.h"
#include "members/VipListPage.h"
#include "members/VipSearchViewController.h"
#include "model/VipCardEntity.h"
#include "model/VipListEntity.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Registry.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "refresh/RefreshBackNormalFooter.h"
#include "refresh/RefreshNormalHeader.h"
#include "refresh/ScrollViewRefresh.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"

#include <algorithm>

namespace {

constexpr const char* chosenHex = "3BAA24";
constexpr const char* otherHex = "34434e";
constexpr double searchBarY = 64;
constexpr double tabStripY = 105;

} // namespace

void VipViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    screenAdapter();
}

void VipViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    if (checkUserIsLogin() && checkMemberKeyExists() && needsCardList())
        getShopCardList();
}

void VipViewController::viewWillDisappear(bool animated)
{
    BaseViewController::viewWillDisappear(animated);
    if (!m_tvSearchContent->isExclusiveTouch())
        m_tvSearchContent->resignFirstResponder();
}

void VipViewController::initViews()
{
    navigationItem()->setTitleView(std::make_shared<kit::ImageView>(graphics::Image::named("IndexLogo")));
    auto root = view();
    root->setBackgroundColor(graphics::Color::white());
    double width = root->bounds().width();

    m_tvSearchContent
        = std::make_shared<kit::TextField>(graphics::Rect { 10, searchBarY + 6, width - 70, 30 });
    m_tvSearchContent->setName("tvSearchContent");
    m_tvSearchContent->setPlaceholder("搜索会员");
    m_tvSearchContent->setBorderStyle(kit::TextBorderStyle::RoundedRect);
    m_tvSearchContent->setDelegate(self());
    root->addSubview(m_tvSearchContent);
    m_btnScan = std::make_shared<kit::Button>(
        kit::ButtonType::Custom, graphics::Rect { width - 55, searchBarY, 50, 41 });
    m_btnScan->setName("btnScan");
    m_btnScan->setImage(graphics::Image::named("IconTopScan"), kit::ControlState::Normal);
    m_btnScan->setImage(graphics::Image::named("IconTopScanOn"), kit::ControlState::Highlighted);
    m_btnScan->setBackgroundColor(ColorUtil::getUIColorByHex("3AAA24"));
    m_btnScan->addTarget(selfVip(), &VipViewController::btnClick, kit::ControlEvent::TouchUpInside);
    root->addSubview(m_btnScan);

    double tableY = tabStripY + tabHeight;
    m_tableViewCard = std::make_shared<kit::TableView>(
        graphics::Rect { 0, tableY, width, root->bounds().height() - tableY - 49 });
    m_tableViewCard->setName("tableViewCard");
    m_tableViewCard->setDelegate(selfVip());
    m_tableViewCard->setDataSource(selfVip());
    m_tableViewCard->registerCellFactory(
        VipCardUserCell::reuseIdentifier, [] { return std::make_shared<VipCardUserCell>(); });
    m_tableViewCard->setTableFooterView(std::make_shared<kit::View>());
    root->addSubview(m_tableViewCard);

    m_page = 1;
    std::weak_ptr<VipViewController> weak = selfVip();
    auto footer = RefreshBackNormalFooter::footerWithRefreshingBlock([weak] {
        if (auto strong = weak.lock())
            strong->refreshFromControl(false);
    });
    auto header = RefreshNormalHeader::headerWithRefreshingBlock([weak] {
        if (auto strong = weak.lock())
            strong->refreshFromControl(true);
    });
    footer->setAutoChangeAlpha(true);
    header->setAutoChangeAlpha(true);
    setFooter(*m_tableViewCard, footer);
    setHeader(*m_tableViewCard, header);

    m_tabScrollView = std::make_shared<kit::ScrollView>(graphics::Rect { 0, tabStripY, width, tabHeight });
    m_tabScrollView->setName("tabScrollView");
    m_tabScrollView->setBackgroundColor(ColorUtil::getUIColorByHex("EDEDED"));
    m_tabScrollView->setBounces(true);
    m_tabScrollView->setPagingEnabled(true);
    m_tabScrollView->setScrollEnabled(true);
    m_tabScrollView->setShowsHorizontalScrollIndicator(false);
    m_tabScrollView->setShowsVerticalScrollIndicator(false);
    m_tabScrollView->setContentInset({ 0, 0, 0, 0 });
    root->addSubview(m_tabScrollView);
}

void VipViewController::refreshFromControl(bool isDownRefresh)
{
    auto endRefreshing = [this, isDownRefresh] {
        if (isDownRefresh) {
            if (auto control = header(*m_tableViewCard))
                control->endRefreshing();
        } else if (auto control = footer(*m_tableViewCard)) {
            control->endRefreshing();
        }
    };
    if (!checkUserIsLogin()) {
        endRefreshing();
        toLogin();
        return;
    }
    if (!checkMemberKeyExists()) {
        endRefreshing();
        return;
    }
    getShopMemberListForDownRefresh(isDownRefresh);
}

void VipViewController::memberKeyDidSave()
{
    if (checkUserIsLogin() && checkMemberKeyExists() && needsCardList())
        getShopCardList();
}

void VipViewController::getShopCardList()
{
    std::weak_ptr<VipViewController> weak = selfVip();
    NetUtilSign::doPost(URLConfig::GET_CARD_LIST, std::nullopt, NetUtilSign::memberKeyFlag, {},
        [weak, token = m_cardListRequest.close()](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleCardList(reply);
        });
}

void VipViewController::handleCardList(const std::optional<std::string>& replyText)
{
    if (!replyText || replyText->empty())
        return;
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    // "全部" joins only a list the server gave, so a failed load leaves the
    // tabs empty and the next appearance asks again.
    auto all = std::make_shared<VipCardEntity>();
    all->setCardname("全部");
    m_vipCardArray = { all };
    const auto& data = JsonUtil::data(reply);
    if (!data.is_array() || data.empty())
        return;
    for (const auto& item : data)
        m_vipCardArray.push_back(VipCardEntity::initWithJSON(item));
    addTabItem();
}

void VipViewController::addTabItem()
{
    for (const auto& button : m_tabButtonList)
        button->removeFromSuperview();
    for (const auto& cursor : m_tabCursorList)
        cursor->removeFromSuperview();
    m_tabButtonList.clear();
    m_tabCursorList.clear();
    double width = view()->bounds().width();
    m_tabScrollView->setContentSize(
        { std::max(static_cast<double>(m_vipCardArray.size()) * tabWidth, width), tabHeight });
    for (std::size_t i = 0; i < m_vipCardArray.size(); ++i) {
        double x = tabWidth * static_cast<double>(i);
        auto button = kit::Button::buttonWithType(kit::ButtonType::Custom);
        button->setName("tab" + std::to_string(i));
        button->setTag(static_cast<int>(i));
        button->setTitle(m_vipCardArray[i]->cardname().value_or(""), kit::ControlState::Normal);
        button->titleLabel()->setFont(graphics::Font::systemFont(15));
        button->setFrame({ x, 0, tabWidth, tabHeight });
        button->addTarget(selfVip(), &VipViewController::tabClick, kit::ControlEvent::TouchUpInside);
        m_tabScrollView->addSubview(button);
        m_tabButtonList.push_back(button);
        auto cursor = std::make_shared<kit::View>(graphics::Rect { x, 38, tabWidth, 2 });
        m_tabScrollView->addSubview(cursor);
        m_tabCursorList.push_back(cursor);
    }
    markChosenTab(0);
    getShopMemberList(0);
}

void VipViewController::markChosenTab(int index)
{
    for (std::size_t i = 0; i < m_tabButtonList.size(); ++i) {
        bool chosen = static_cast<int>(i) == index;
        m_tabButtonList[i]->setTitleColor(
            ColorUtil::getUIColorByHex(chosen ? chosenHex : otherHex), kit::ControlState::Normal);
        m_tabCursorList[i]->setBackgroundColor(
            chosen ? ColorUtil::getUIColorByHex(chosenHex) : graphics::Color::clear());
        m_tabButtonList[i]->setSelected(chosen);
    }
}

void VipViewController::tabClick(kit::Control& sender)
{
    markChosenTab(sender.tag());
    getShopMemberList(sender.tag());
}

namespace {

NetUtilSign::Parameters memberListParameters(
    const std::vector<std::shared_ptr<VipCardEntity>>& cards, int index, int page)
{
    NetUtilSign::Parameters parameters;
    parameters["currentpage"] = std::to_string(page);
    parameters["pagesize"] = VipListPage::pageSize;
    if (index > 0 && static_cast<std::size_t>(index) < cards.size())
        parameters["cardid"] = cards[static_cast<std::size_t>(index)]->cardid().value_or("");
    return parameters;
}

} // namespace

void VipViewController::getShopMemberList(int index)
{
    m_currentTabIndex = index;
    m_page = 1;
    auto generation = ++m_listGeneration;
    // The rows shown are the chosen tab's or none: the last tab's go now,
    // not when the reply comes, so a request that fails (a busy server, a
    // refused key, no network, no reply) leaves this tab empty under the
    // client's message instead of over another tab's members.
    m_vipUserArray.clear();
    m_tableViewCard->reloadData();
    std::weak_ptr<VipViewController> weak = selfVip();
    NetUtilSign::doPost(URLConfig::GET_MEMBER_LIST, std::nullopt, NetUtilSign::memberKeyFlag,
        memberListParameters(m_vipCardArray, index, 1),
        [weak, generation](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleFirstPage(generation, reply);
        });
}

void VipViewController::handleFirstPage(std::uint64_t generation, const std::optional<std::string>& replyText)
{
    if (generation != m_listGeneration)
        return;
    m_vipUserArray.clear();
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply))
        PromptUtil::toast(JsonUtil::info(reply));
    else
        m_vipUserArray = VipListPage::rows(JsonUtil::data(reply));
    m_tableViewCard->reloadData();
}

void VipViewController::getShopMemberListForDownRefresh(bool isDownRefresh)
{
    m_page = isDownRefresh ? 1 : m_page + 1;
    if (isDownRefresh)
        ++m_listGeneration;
    auto generation = m_listGeneration;
    std::weak_ptr<VipViewController> weak = selfVip();
    NetUtilSign::doPostForDownRefresh(URLConfig::GET_MEMBER_LIST, m_tableViewCard, NetUtilSign::memberKeyFlag,
        memberListParameters(m_vipCardArray, m_currentTabIndex, m_page),
        [weak, generation, isDownRefresh](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleMorePage(generation, isDownRefresh, reply);
        });
}

void VipViewController::handleMorePage(
    std::uint64_t generation, bool isDownRefresh, const std::optional<std::string>& replyText)
{
    if (generation != m_listGeneration)
        return;
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    auto rows = VipListPage::rows(JsonUtil::data(reply));
    if (rows.empty())
        return;
    if (isDownRefresh)
        m_vipUserArray.clear();
    m_vipUserArray.insert(m_vipUserArray.end(), rows.begin(), rows.end());
    m_tableViewCard->reloadData();
}

int VipViewController::tableViewNumberOfRowsInSection(kit::TableView&, int)
{
    return static_cast<int>(m_vipUserArray.size());
}

std::optional<double> VipViewController::tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath)
{
    return VipCardUserCell::rowHeight;
}

std::shared_ptr<kit::TableViewCell> VipViewController::tableViewCellForRowAtIndexPath(
    kit::TableView& tableView, kit::IndexPath indexPath)
{
    auto cell = std::dynamic_pointer_cast<VipCardUserCell>(
        tableView.dequeueReusableCellWithIdentifier(VipCardUserCell::reuseIdentifier, indexPath));
    if (cell && static_cast<std::size_t>(indexPath.row) < m_vipUserArray.size())
        cell->fill(*m_vipUserArray[static_cast<std::size_t>(indexPath.row)]);
    return cell;
}

void VipViewController::tableViewDidSelectRowAtIndexPath(kit::TableView&, kit::IndexPath indexPath)
{
    if (!checkUserIsLogin()) {
        toLogin();
        return;
    }
    if (!checkMemberKeyExists() || static_cast<std::size_t>(indexPath.row) >= m_vipUserArray.size())
        return;
    openDetail(m_vipUserArray[static_cast<std::size_t>(indexPath.row)]->cardnum().value_or(""));
}

void VipViewController::openDetail(const std::string& cardnum)
{
    VipDetailViewController::open(navigationController(), cardnum);
}

void VipViewController::btnClick(kit::Control& sender)
{
    if (&sender != m_btnScan.get())
        return;
    if (!m_tvSearchContent->isExclusiveTouch())
        m_tvSearchContent->resignFirstResponder();
    if (!checkUserIsLogin()) {
        toLogin();
        return;
    }
    if (!checkMemberKeyExists())
        return;
    toScanUI();
}

void VipViewController::scanCallback(const std::string& code)
{
    if (code.empty()) {
        PromptUtil::toast("扫描失败,请重试！");
        return;
    }
    openDetail(code);
}

void VipViewController::textFieldDidBeginEditing(kit::TextField& textField)
{
    // The field only leads to the search screen; typing happens there.
    textField.resignFirstResponder();
    if (!checkUserIsLogin()) {
        toLogin();
        return;
    }
    auto search = kit::Registry::shared().instantiate<VipSearchViewController>(
        std::string(VipSearchViewController::nibName));
    auto navigation = navigationController();
    if (!search || !navigation)
        return;
    search->setHidesBottomBarWhenPushed(true);
    navigation->pushViewController(search, false);
}
