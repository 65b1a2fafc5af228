#include "members/ChooseCreditReasonViewController.h"

#include "api/URLConfig.h"
#include "members/RadioAndLabelCell.h"
#include "model/ScoreReasonEntity.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "ui/SingleChoiceList.h"

void ChooseCreditReasonViewController::viewDidLoad()
{
    SingleChoiceViewController::viewDidLoad();
    getOperationReason();
}

void ChooseCreditReasonViewController::initViews()
{
    buildList("积分授予理由", [] { return std::make_shared<RadioAndLabelCell>(); });
}

void ChooseCreditReasonViewController::getOperationReason()
{
    requestChoices(URLConfig::REASONS);
}

void ChooseCreditReasonViewController::takeChoices(const foundation::Json& list)
{
    for (const auto& item : list)
        m_datas.push_back(ScoreReasonEntity::initWithJSON(item));
}

int ChooseCreditReasonViewController::tableViewNumberOfRowsInSection(kit::TableView&, int)
{
    return static_cast<int>(m_datas.size());
}

void ChooseCreditReasonViewController::fillRow(kit::TableViewCell& cell, kit::IndexPath indexPath)
{
    if (auto* row = dynamic_cast<RadioAndLabelCell*>(&cell))
        row->labelTitle()->setText(m_datas[static_cast<std::size_t>(indexPath.row)]->reason());
}

bool ChooseCreditReasonViewController::isChosen(kit::IndexPath indexPath)
{
    const auto& reason = *m_datas[static_cast<std::size_t>(indexPath.row)];
    // Matched by id; two reasons that both lack one are not the same reason.
    return m_currentEntity && m_currentEntity->id() && m_currentEntity->id() == reason.id();
}

void ChooseCreditReasonViewController::choiceChanged(long, long row, bool checked)
{
    if (checked && row >= 0 && static_cast<std::size_t>(row) < m_datas.size())
        m_currentEntity = m_datas[static_cast<std::size_t>(row)];
    else
        m_currentEntity = nullptr;
}

void ChooseCreditReasonViewController::btnOk()
{
    if (!SingleChoiceList::confirm(m_currentEntity != nullptr, "请选择积分授予理由！"))
        return;
    if (auto delegate = m_delegate.lock())
        delegate->chooseCreditReasonCallback(m_currentEntity);
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}
