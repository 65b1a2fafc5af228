#pragma once

#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/TableViewDelegate.h"
#include "ui/BaseViewController.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kit {
class Button;
class TableView;
class TextField;
} // namespace kit
class VipListEntity;

// Finds members by a keyword (the server decides what matches) or by a
// scanned card code, pages through the matches and opens a member's detail.
class VipSearchViewController : public BaseViewController,
                                public kit::TableViewDataSource,
                                public kit::TableViewDelegate {
public:
    static constexpr std::string_view nibName = "VipSearchViewController";

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void initViews() override;

    void search();
    void searchVip();
    void getMoreOrRefreshData(bool isDownRefresh);
    void scanCallback(const std::string& code) override;
    void touchesEnded(const kit::Touch& touch) override;

    int tableViewNumberOfRowsInSection(kit::TableView& tableView, int section) override;
    std::optional<double> tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath) override;
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& tableView, kit::IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(kit::TableView& tableView, kit::IndexPath indexPath) override;

    const std::vector<std::shared_ptr<VipListEntity>>& vipArray() const { return m_vipArray; }
    const std::optional<std::string>& searchContent() const { return m_searchContent; }
    int page() const { return m_page; }
    const std::shared_ptr<kit::TableView>& tableView() const { return m_tableView; }

private:
    std::shared_ptr<VipSearchViewController> selfSearch()
    {
        return std::static_pointer_cast<VipSearchViewController>(shared_from_this());
    }
    void send(bool isNewSearch, bool isDownRefresh);
    void handleReply(std::uint64_t generation, bool isNewSearch, bool isDownRefresh,
        const std::optional<std::string>& reply);
    void openDetail(const std::string& cardnum);

    std::shared_ptr<kit::TextField> m_tvSearchContent;
    std::shared_ptr<kit::Button> m_btnSearch;
    std::shared_ptr<kit::TableView> m_tableView;
    std::vector<std::shared_ptr<VipListEntity>> m_vipArray;
    std::optional<std::string> m_searchContent;
    int m_page = 0;
    // Bumped by each new search and pull-down: replies to the list as it
    // was before are dropped.
    std::uint64_t m_generation = 0;
};
