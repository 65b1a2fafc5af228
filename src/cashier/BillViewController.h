#pragma once

#include "api/NetUtilSign.h"
#include "platform/foundation/Json.h"
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
class Control;
class DatePicker;
class ImageView;
class Label;
class TableView;
class View;
} // namespace kit

// One day's takings and orders of one wallet: three wallet tabs with each
// wallet's sum, the day's total, the chosen day, and the paged order list,
// whose rows open the order detail.
//
// Every list request carries the generation of the tab and day it was
// asked for (a pull-down opens a new one too); a reply from an older
// generation is dropped, so rows never land under the wrong tab or day.
class BillViewController : public BaseViewController,
                           public kit::TableViewDataSource,
                           public kit::TableViewDelegate {
public:
    static constexpr std::string_view nibName = "BillViewController";
    static constexpr std::string_view moneySumPath = "/PayApi/OfflinePay/getMoneySum";
    static constexpr std::string_view orderListPath = "/PayApi/OfflinePay/getOrderList";
    static constexpr double topViewShare = 0.28;

    void loadView() override;
    void viewDidLoad() override;
    void initViews() override;
    void screenAdapter() override;

    void btnBillClick(kit::Control& sender);
    void refreshBillStatus();
    void btnChooseDate();
    void dateChooseOK();
    void toSearchOrderUI();
    void getMoneyForDate();
    void getOrderList();
    void downGetMoreData(bool down);
    void setLabelMoneyByJsonStr(const std::optional<std::string>& reply);
    void setMoneyLabelPosition(const std::string& text);

    int tableViewNumberOfRowsInSection(kit::TableView& tableView, int section) override;
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& tableView, kit::IndexPath indexPath) override;
    std::optional<double> tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath) override;
    void tableViewDidSelectRowAtIndexPath(kit::TableView& tableView, kit::IndexPath indexPath) override;

    // The wallet whose tab shows first (Alipay's when not set); set before the push.
    void setPayType(std::string wallet) { m_firstPayType = std::move(wallet); }
    const std::string& currentPayType() const { return m_currentPayType; }
    const std::string& startTime() const { return m_startTime; }
    const std::string& endTime() const { return m_endTime; }
    int page() const { return m_page; }
    const std::vector<foundation::Json>& billdata() const { return m_billdata; }
    double sumMoney() const { return m_sumMoney; }
    const std::shared_ptr<kit::TableView>& tableView() const { return m_tableView; }
    const std::shared_ptr<kit::DatePicker>& datePicker() const { return m_datePicker; }

private:
    struct WalletTab {
        std::string_view code;
        std::shared_ptr<kit::Button> button;
        std::shared_ptr<kit::Label> name;
        std::shared_ptr<kit::Label> sum;
        std::shared_ptr<kit::View> cursor;
    };

    void setDay(double date);
    void placeCalendarIcon();
    void selectTab(const WalletTab& tab);
    NetUtilSign::Parameters listParameters() const;
    // The page's data when the reply is still wanted (no tab, day or
    // pull-down change came since it was asked for) and not refused; a
    // refusal shows the server's message.
    std::optional<foundation::Json> pageData(
        std::uint64_t generation, const std::optional<std::string>& reply);
    void handleFirstPage(std::uint64_t generation, const std::optional<std::string>& reply);
    void handleMorePage(std::uint64_t generation, bool down, const std::optional<std::string>& reply);
    std::shared_ptr<BillViewController> selfBill()
    {
        return std::static_pointer_cast<BillViewController>(shared_from_this());
    }

    std::string m_currentPayType = "alipay";
    std::string m_firstPayType = "alipay";
    std::string m_startTime;
    std::string m_endTime;
    int m_page = 1;
    std::vector<foundation::Json> m_billdata;
    double m_aliSumMoney = 0;
    double m_wxSumMoney = 0;
    double m_bdSumMoney = 0;
    double m_sumMoney = 0;
    // The list's and the sums' generations (see the class comment).
    std::uint64_t m_listGeneration = 0;
    std::uint64_t m_sumGeneration = 0;

    std::shared_ptr<kit::View> m_topView;
    std::shared_ptr<kit::Label> m_labelMoneyFlag;
    std::shared_ptr<kit::Label> m_labelMoney;
    std::shared_ptr<kit::View> m_tabsView;
    WalletTab m_tabs[3];
    std::shared_ptr<kit::View> m_dateBar;
    std::shared_ptr<kit::Label> m_labelDate;
    // Tells that the day is chosen here: the chooser's button itself is bare.
    std::shared_ptr<kit::ImageView> m_ivCalendar;
    std::shared_ptr<kit::Button> m_btnChooseDate;
    std::shared_ptr<kit::Button> m_btnRefresh;
    std::shared_ptr<kit::TableView> m_tableView;
    std::shared_ptr<kit::View> m_bgView;
    std::shared_ptr<kit::DatePicker> m_datePicker;
};
