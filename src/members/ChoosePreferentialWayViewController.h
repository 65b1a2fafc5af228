#pragma once

#include "members/ChooseCouponWayDelegate.h"
#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/TableViewDelegate.h"
#include "ui/BaseViewController.h"

#include <memory>
#include <string_view>
#include <vector>

namespace kit {
class TableView;
}
class PreferentialWayEntity;
class SingleChoiceList;
class VipDetailEntity;

// How a member's purchase is discounted: the member's card discount, or
// exactly one of the member's coupons.
class ChoosePreferentialWayViewController : public BaseViewController,
                                            public kit::TableViewDataSource,
                                            public kit::TableViewDelegate {
public:
    static constexpr std::string_view nibName = "ChoosePreferentialWayViewController";

    void viewDidLoad() override;
    void initViews() override;
    void getPreferentialWay();
    void btnOk();

    int numberOfSectionsInTableView(kit::TableView&) override { return m_sectionCount; }
    int tableViewNumberOfRowsInSection(kit::TableView& tableView, int section) override;
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& tableView, kit::IndexPath indexPath) override;
    std::optional<double> tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath) override
    {
        return 50;
    }
    std::optional<double> tableViewHeightForHeaderInSection(kit::TableView&, int) override { return 40; }
    std::shared_ptr<kit::View> tableViewViewForHeaderInSection(kit::TableView&, int section) override;
    void tableViewDidSelectRowAtIndexPath(kit::TableView& tableView, kit::IndexPath indexPath) override;

    std::shared_ptr<ChooseCouponWayDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<ChooseCouponWayDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<VipDetailEntity>& vipEntity() const { return m_vipEntity; }
    void setVipEntity(std::shared_ptr<VipDetailEntity> vipEntity) { m_vipEntity = std::move(vipEntity); }
    const std::shared_ptr<PreferentialWayEntity>& currentEntity() const { return m_currentEntity; }
    void setCurrentEntity(std::shared_ptr<PreferentialWayEntity> way) { m_currentEntity = std::move(way); }
    const std::vector<std::shared_ptr<PreferentialWayEntity>>& couponArray() const { return m_couponArray; }
    const std::shared_ptr<SingleChoiceList>& choices() const { return m_choices; }

private:
    std::shared_ptr<ChoosePreferentialWayViewController> selfChooser()
    {
        return std::static_pointer_cast<ChoosePreferentialWayViewController>(shared_from_this());
    }
    void handleCoupons(const std::optional<std::string>& reply);
    void choose(long section, long row, bool checked);

    std::shared_ptr<kit::TableView> m_tableViewPreferential;
    std::weak_ptr<ChooseCouponWayDelegate> m_delegate;
    std::shared_ptr<VipDetailEntity> m_vipEntity;
    std::shared_ptr<PreferentialWayEntity> m_currentEntity;
    std::vector<std::shared_ptr<PreferentialWayEntity>> m_couponArray;
    std::shared_ptr<SingleChoiceList> m_choices;
    int m_sectionCount = 1;
};
