#pragma once

#include "members/ChooseCreditReasonDelegate.h"
#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/TableViewDelegate.h"
#include "ui/BaseViewController.h"

#include <memory>
#include <string_view>
#include <vector>

namespace kit {
class TableView;
}
class ScoreReasonEntity;
class SingleChoiceList;
class VipDetailEntity;

// The merchant's reasons for granting points; one is chosen.
class ChooseCreditReasonViewController : public BaseViewController,
                                         public kit::TableViewDataSource,
                                         public kit::TableViewDelegate {
public:
    static constexpr std::string_view nibName = "ChooseCreditReasonViewController";

    void viewDidLoad() override;
    void initViews() override;
    void getOperationReason();
    void btnOk();

    int tableViewNumberOfRowsInSection(kit::TableView& tableView, int section) override;
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& tableView, kit::IndexPath indexPath) override;
    std::optional<double> tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath) override
    {
        return 50;
    }
    void tableViewDidSelectRowAtIndexPath(kit::TableView& tableView, kit::IndexPath indexPath) override;

    std::shared_ptr<ChooseCreditReasonDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<ChooseCreditReasonDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<ScoreReasonEntity>& currentEntity() const { return m_currentEntity; }
    void setCurrentEntity(std::shared_ptr<ScoreReasonEntity> reason) { m_currentEntity = std::move(reason); }
    const std::vector<std::shared_ptr<ScoreReasonEntity>>& datas() const { return m_datas; }
    const std::shared_ptr<SingleChoiceList>& choices() const { return m_choices; }

private:
    std::shared_ptr<ChooseCreditReasonViewController> selfChooser()
    {
        return std::static_pointer_cast<ChooseCreditReasonViewController>(shared_from_this());
    }
    void handleReasons(const std::optional<std::string>& reply);

    std::shared_ptr<kit::TableView> m_tableView;
    std::weak_ptr<ChooseCreditReasonDelegate> m_delegate;
    std::shared_ptr<VipDetailEntity> m_vipEntity;
    std::shared_ptr<ScoreReasonEntity> m_currentEntity;
    std::vector<std::shared_ptr<ScoreReasonEntity>> m_datas;
    std::shared_ptr<SingleChoiceList> m_choices;
};
