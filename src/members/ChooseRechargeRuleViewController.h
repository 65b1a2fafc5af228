#pragma once

#include "members/ChooseRechargeRuleDelegate.h"
#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/TableViewDelegate.h"
#include "ui/BaseViewController.h"

#include <memory>
#include <string_view>
#include <vector>

namespace kit {
class TableView;
}
class RechargeRuleEntity;
class SingleChoiceList;

// The merchant's recharge rules under the choice of none ("无"); one is chosen.
class ChooseRechargeRuleViewController : public BaseViewController,
                                         public kit::TableViewDataSource,
                                         public kit::TableViewDelegate {
public:
    static constexpr std::string_view nibName = "ChooseRechargeRuleViewController";

    void viewDidLoad() override;
    void initViews() override;
    void getRechargeRule();
    void btnOk();

    int tableViewNumberOfRowsInSection(kit::TableView& tableView, int section) override;
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& tableView, kit::IndexPath indexPath) override;
    std::optional<double> tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath) override
    {
        return 50;
    }
    void tableViewDidSelectRowAtIndexPath(kit::TableView& tableView, kit::IndexPath indexPath) override;

    void setDelegate(std::weak_ptr<ChooseRechargeRuleDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<RechargeRuleEntity>& currentEntity() const { return m_currentEntity; }
    void setCurrentEntity(std::shared_ptr<RechargeRuleEntity> rule) { m_currentEntity = std::move(rule); }
    void setDefaultRuleEntity(std::shared_ptr<RechargeRuleEntity> rule)
    {
        m_defaultRuleEntity = std::move(rule);
    }
    const std::vector<std::shared_ptr<RechargeRuleEntity>>& datas() const { return m_datas; }
    const std::shared_ptr<SingleChoiceList>& choices() const { return m_choices; }

private:
    std::shared_ptr<ChooseRechargeRuleViewController> selfChooser()
    {
        return std::static_pointer_cast<ChooseRechargeRuleViewController>(shared_from_this());
    }
    void handleRules(const std::optional<std::string>& reply);
    bool isChosen(std::size_t row);

    std::shared_ptr<kit::TableView> m_tableView;
    std::weak_ptr<ChooseRechargeRuleDelegate> m_delegate;
    std::shared_ptr<RechargeRuleEntity> m_currentEntity;
    std::shared_ptr<RechargeRuleEntity> m_defaultRuleEntity;
    std::vector<std::shared_ptr<RechargeRuleEntity>> m_datas;
    std::shared_ptr<SingleChoiceList> m_choices;
};
