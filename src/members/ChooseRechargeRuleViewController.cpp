#include "members/ChooseRechargeRuleViewController.h"

#include "api/URLConfig.h"
#include "members/RadioAndLabelCell.h"
#include "model/RechargeRuleEntity.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "ui/SingleChoiceList.h"

void ChooseRechargeRuleViewController::viewDidLoad()
{
    SingleChoiceViewController::viewDidLoad();
    getRechargeRule();
}

void ChooseRechargeRuleViewController::initViews()
{
    buildList("充值规则", [] { return std::make_shared<RadioAndLabelCell>(); });
    m_datas.clear();
    if (m_defaultRuleEntity)
        m_datas.push_back(m_defaultRuleEntity);
}

void ChooseRechargeRuleViewController::getRechargeRule()
{
    requestChoices(URLConfig::GET_RULE_LIST);
}

void ChooseRechargeRuleViewController::takeChoices(const foundation::Json& list)
{
    for (const auto& item : list)
        m_datas.push_back(RechargeRuleEntity::initWithJSON(item));
}

int ChooseRechargeRuleViewController::tableViewNumberOfRowsInSection(kit::TableView&, int)
{
    return static_cast<int>(m_datas.size());
}

void ChooseRechargeRuleViewController::fillRow(kit::TableViewCell& cell, kit::IndexPath indexPath)
{
    if (auto* row = dynamic_cast<RadioAndLabelCell*>(&cell))
        row->labelTitle()->setText(m_datas[static_cast<std::size_t>(indexPath.row)]->title());
}

bool ChooseRechargeRuleViewController::isChosen(kit::IndexPath indexPath)
{
    auto row = static_cast<std::size_t>(indexPath.row);
    const auto& rule = m_datas[row];
    // The rule in force is checked, "无" when there is none; the row's own
    // entity then stands for the choice, so OK hands back the listed one.
    bool chosen = m_currentEntity ? m_currentEntity->id() == rule->id() : row == 0;
    if (chosen)
        m_currentEntity = rule;
    return chosen;
}

void ChooseRechargeRuleViewController::choiceChanged(long, long row, bool checked)
{
    if (checked && row >= 0 && static_cast<std::size_t>(row) < m_datas.size())
        m_currentEntity = m_datas[static_cast<std::size_t>(row)];
    else
        m_currentEntity = nullptr;
}

void ChooseRechargeRuleViewController::btnOk()
{
    if (!SingleChoiceList::confirm(m_currentEntity != nullptr, "请选择充值规则！"))
        return;
    if (auto delegate = m_delegate.lock())
        delegate->chooseRechargeRuleCallback(m_currentEntity);
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}
