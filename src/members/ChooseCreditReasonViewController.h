#pragma once

#include "members/ChooseCreditReasonDelegate.h"
#include "members/SingleChoiceViewController.h"

#include <memory>
#include <string_view>
#include <vector>

class ScoreReasonEntity;

// The merchant's reasons for granting points; one is chosen.
class ChooseCreditReasonViewController : public SingleChoiceViewController {
public:
    static constexpr std::string_view nibName = "ChooseCreditReasonViewController";

    void viewDidLoad() override;
    void initViews() override;
    void getOperationReason();
    void btnOk();

    int tableViewNumberOfRowsInSection(kit::TableView& tableView, int section) override;

    std::shared_ptr<ChooseCreditReasonDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<ChooseCreditReasonDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<ScoreReasonEntity>& currentEntity() const { return m_currentEntity; }
    void setCurrentEntity(std::shared_ptr<ScoreReasonEntity> reason) { m_currentEntity = std::move(reason); }
    const std::vector<std::shared_ptr<ScoreReasonEntity>>& datas() const { return m_datas; }

protected:
    void takeChoices(const foundation::Json& list) override;
    void fillRow(kit::TableViewCell& cell, kit::IndexPath indexPath) override;
    bool isChosen(kit::IndexPath indexPath) override;
    void choiceChanged(long section, long row, bool checked) override;
    void confirmChoice() override { btnOk(); }

private:
    std::weak_ptr<ChooseCreditReasonDelegate> m_delegate;
    std::shared_ptr<ScoreReasonEntity> m_currentEntity;
    std::vector<std::shared_ptr<ScoreReasonEntity>> m_datas;
};
