#pragma once

#include "members/ChooseRechargeRuleDelegate.h"
#include "members/SingleChoiceViewController.h"

#include <memory>
#include <string_view>
#include <vector>

class RechargeRuleEntity;

// The merchant's recharge rules under the choice of none ("无"); one is chosen.
class ChooseRechargeRuleViewController : public SingleChoiceViewController {
public:
    static constexpr std::string_view nibName = "ChooseRechargeRuleViewController";

    void viewDidLoad() override;
    void initViews() override;
    void getRechargeRule();
    void btnOk();

    int tableViewNumberOfRowsInSection(kit::TableView& tableView, int section) override;

    void setDelegate(std::weak_ptr<ChooseRechargeRuleDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<RechargeRuleEntity>& currentEntity() const { return m_currentEntity; }
    void setCurrentEntity(std::shared_ptr<RechargeRuleEntity> rule) { m_currentEntity = std::move(rule); }
    void setDefaultRuleEntity(std::shared_ptr<RechargeRuleEntity> rule)
    {
        m_defaultRuleEntity = std::move(rule);
    }
    const std::vector<std::shared_ptr<RechargeRuleEntity>>& datas() const { return m_datas; }

protected:
    void takeChoices(const foundation::Json& list) override;
    void fillRow(kit::TableViewCell& cell, kit::IndexPath indexPath) override;
    bool isChosen(kit::IndexPath indexPath) override;
    void choiceChanged(long section, long row, bool checked) override;
    void confirmChoice() override { btnOk(); }

private:
    std::weak_ptr<ChooseRechargeRuleDelegate> m_delegate;
    std::shared_ptr<RechargeRuleEntity> m_currentEntity;
    std::shared_ptr<RechargeRuleEntity> m_defaultRuleEntity;
    std::vector<std::shared_ptr<RechargeRuleEntity>> m_datas;
};
