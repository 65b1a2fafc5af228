#pragma once

#include "api/NetUtilSign.h"
#include "platform/foundation/Json.h"
#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/TableViewDelegate.h"
#include "ui/BaseViewController.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kit {
class Control;
class TableView;
} // namespace kit
class PassTypeTiles;

// A paged log of one pass type at a time under the three type tiles: the
// cards tab's use log and the send records. Pulling down loads page 1
// again, pulling up the next page; a row opens the record's details.
class PassLogViewController : public BaseViewController,
                              public kit::TableViewDataSource,
                              public kit::TableViewDelegate {
public:
    void topButtonClick(kit::Control& sender);
    // The current type's first page, afresh.
    void getCouponSendRecord();
    void getMoreOrRefreshData(bool isRefresh);

    int tableViewNumberOfRowsInSection(kit::TableView& tableView, int section) override;
    std::optional<double> tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath) override;
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& tableView, kit::IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(kit::TableView& tableView, kit::IndexPath indexPath) override;

    const std::string& couponType() const { return m_couponType; }
    int page() const { return m_page; }
    const std::vector<foundation::Json>& datas() const { return m_datas; }
    const std::shared_ptr<kit::TableView>& tableView() const { return m_tableView; }
    const std::shared_ptr<PassTypeTiles>& tiles() const { return m_tiles; }

protected:
    // The tiles at `top`, the list from under them down to `bottom`.
    void buildLog(double top, double bottom);
    std::string_view logPath() const;
    // The parameters of a log request for `m_page`.
    virtual NetUtilSign::Parameters logParameters(bool firstPage) const = 0;
    // What a tile tap, a pull and a row tap need first; each prompts for
    // what is missing, except that a refused pull stops its control first
    // and then prompts through pullRefused.
    virtual bool mayChangeType() = 0;
    virtual bool mayPull() = 0;
    virtual void pullRefused() { }
    virtual bool mayOpenRecord() = 0;

    std::shared_ptr<PassLogViewController> selfLog()
    {
        return std::static_pointer_cast<PassLogViewController>(shared_from_this());
    }

private:
    void pulled(bool isRefresh);
    enum class Page { First, Refresh, Next };
    void handlePage(std::uint64_t generation, Page page, const std::optional<std::string>& reply);
    void appendRows(const foundation::Json& list);

    std::string m_couponType;
    int m_page = 1;
    std::vector<foundation::Json> m_datas;
    std::shared_ptr<PassTypeTiles> m_tiles;
    std::shared_ptr<kit::TableView> m_tableView;
    // Bumped when the list starts over (another type, a first page, a pull
    // down): a reply for the list as it was is dropped, never drawn with
    // another type's texts.
    std::uint64_t m_generation = 0;
};
