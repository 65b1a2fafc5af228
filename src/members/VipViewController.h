#pragma once

#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/TableViewDelegate.h"
#include "ui/BaseViewController.h"
#include "ui/SubmitGate.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kit {
class Button;
class Control;
class ScrollView;
class TableView;
class TextField;
class View;
} // namespace kit
class VipCardEntity;
class VipListEntity;

// The members tab: a strip of card tabs ("全部" first) over a paged list of
// the members holding the chosen card. Rows and scanned card codes open the
// member's detail; the search field opens the member search.
class VipViewController : public BaseViewController,
                          public kit::TableViewDataSource,
                          public kit::TableViewDelegate {
public:
    static constexpr std::string_view nibName = "VipViewController";
    static constexpr double tabWidth = 65;
    static constexpr double tabHeight = 40;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void initViews() override;

    void getShopCardList();
    void addTabItem();
    void tabClick(kit::Control& sender);
    void getShopMemberList(int index);
    void getShopMemberListForDownRefresh(bool isDownRefresh);

    int tableViewNumberOfRowsInSection(kit::TableView& tableView, int section) override;
    std::optional<double> tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath) override;
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& tableView, kit::IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(kit::TableView& tableView, kit::IndexPath indexPath) override;

    void btnClick(kit::Control& sender);
    void scanCallback(const std::string& code) override;
    void textFieldDidBeginEditing(kit::TextField& textField) override;

    const std::vector<std::shared_ptr<VipCardEntity>>& vipCardArray() const { return m_vipCardArray; }
    const std::vector<std::shared_ptr<VipListEntity>>& vipUserArray() const { return m_vipUserArray; }
    int currentTabIndex() const { return m_currentTabIndex; }
    int page() const { return m_page; }
    const std::shared_ptr<kit::TableView>& tableViewCard() const { return m_tableViewCard; }
    const std::vector<std::shared_ptr<kit::Button>>& tabButtonList() const { return m_tabButtonList; }

protected:
    void memberKeyDidSave() override;

private:
    std::shared_ptr<VipViewController> selfVip()
    {
        return std::static_pointer_cast<VipViewController>(shared_from_this());
    }
    bool needsCardList() const { return m_vipCardArray.empty() && m_cardListRequest.isOpen(); }
    void handleCardList(const std::optional<std::string>& reply);
    void handleFirstPage(std::uint64_t generation, const std::optional<std::string>& reply);
    void handleMorePage(
        std::uint64_t generation, bool isDownRefresh, const std::optional<std::string>& reply);
    void markChosenTab(int index);
    void openDetail(const std::string& cardnum);
    void refreshFromControl(bool isDownRefresh);

    std::shared_ptr<kit::TableView> m_tableViewCard;
    std::shared_ptr<kit::ScrollView> m_tabScrollView;
    std::shared_ptr<kit::TextField> m_tvSearchContent;
    std::shared_ptr<kit::Button> m_btnScan;
    std::vector<std::shared_ptr<VipCardEntity>> m_vipCardArray;
    std::vector<std::shared_ptr<VipListEntity>> m_vipUserArray;
    int m_currentTabIndex = 0;
    std::vector<std::shared_ptr<kit::Button>> m_tabButtonList;
    std::vector<std::shared_ptr<kit::View>> m_tabCursorList;
    int m_page = 1;
    // Closed while the card list is asked for; it opens again when the
    // request ends, answered or dropped by the client, so a lost request
    // does not leave the tabs blank for good.
    SubmitGate m_cardListRequest;
    // Bumped when the list starts over (another tab, a pull-down), so a
    // reply for the list as it was is dropped.
    std::uint64_t m_listGeneration = 0;
};
