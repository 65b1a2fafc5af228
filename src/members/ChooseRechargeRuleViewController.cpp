#include "members/ChooseRechargeRuleViewController.h"

#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "members/RadioAndLabelCell.h"
#include "model/RechargeRuleEntity.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/TableView.h"
#include "ui/PromptUtil.h"
#include "ui/SingleChoiceList.h"
#include "ui/TitleLabel.h"

void ChooseRechargeRuleViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
    getRechargeRule();
}

void ChooseRechargeRuleViewController::initViews()
{
    navigationItem()->setTitleView(TitleLabel::make("充值规则"));
    auto root = view();
    root->setBackgroundColor(graphics::Color::white());
    double width = root->bounds().width();
    m_datas.clear();
    if (m_defaultRuleEntity)
        m_datas.push_back(m_defaultRuleEntity);
    std::weak_ptr<ChooseRechargeRuleViewController> weak = selfChooser();
    m_choices = SingleChoiceList::create([weak](long, long row, bool checked) {
        auto strong = weak.lock();
        if (!strong)
            return;
        if (checked && row >= 0 && static_cast<std::size_t>(row) < strong->m_datas.size())
            strong->m_currentEntity = strong->m_datas[static_cast<std::size_t>(row)];
        else
            strong->m_currentEntity = nullptr;
    });
    m_tableView
        = std::make_shared<kit::TableView>(graphics::Rect { 0, 64, width, root->bounds().height() - 64 });
    m_tableView->setName("tableView");
    m_tableView->setDataSource(selfChooser());
    m_tableView->setDelegate(selfChooser());
    m_tableView->registerCellFactory(
        RadioAndLabelCell::reuseIdentifier, [] { return std::make_shared<RadioAndLabelCell>(); });
    m_tableView->setTableFooterView(SingleChoiceList::makeFooter(width, [weak] {
        if (auto strong = weak.lock())
            strong->btnOk();
    }));
    root->addSubview(m_tableView);
}

void ChooseRechargeRuleViewController::getRechargeRule()
{
    std::weak_ptr<ChooseRechargeRuleViewController> weak = selfChooser();
    NetUtilSign::doPost(URLConfig::GET_RULE_LIST, std::nullopt, NetUtilSign::memberKeyFlag, {},
        [weak](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleRules(reply);
        });
}

void ChooseRechargeRuleViewController::handleRules(const std::optional<std::string>& replyText)
{
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    const auto& data = JsonUtil::data(reply);
    if (!data.is_array() || data.empty())
        return;
    for (const auto& item : data)
        m_datas.push_back(RechargeRuleEntity::initWithJSON(item));
    m_tableView->reloadData();
}

bool ChooseRechargeRuleViewController::isChosen(std::size_t row)
{
    const auto& rule = m_datas[row];
    // The rule in force is checked, "无" when there is none; the row's own
    // entity then stands for the choice, so OK hands back the listed one.
    bool chosen = m_currentEntity ? m_currentEntity->id() == rule->id() : row == 0;
    if (chosen)
        m_currentEntity = rule;
    return chosen;
}

int ChooseRechargeRuleViewController::tableViewNumberOfRowsInSection(kit::TableView&, int)
{
    return static_cast<int>(m_datas.size());
}

std::shared_ptr<kit::TableViewCell> ChooseRechargeRuleViewController::tableViewCellForRowAtIndexPath(
    kit::TableView& tableView, kit::IndexPath indexPath)
{
    auto cell = std::dynamic_pointer_cast<RadioAndLabelCell>(
        tableView.dequeueReusableCellWithIdentifier(RadioAndLabelCell::reuseIdentifier, indexPath));
    if (!cell || indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= m_datas.size())
        return cell;
    auto row = static_cast<std::size_t>(indexPath.row);
    cell->setSelectionStyle(kit::TableViewCellSelectionStyle::None);
    cell->setClipsToBounds(true);
    cell->setSeparatorInset({ 0, 0, 0, 0 });
    cell->labelTitle()->setText(m_datas[row]->title());
    m_choices->attach(*cell, indexPath, isChosen(row), indexPath.row, view()->bounds().width(), 50);
    return cell;
}

void ChooseRechargeRuleViewController::tableViewDidSelectRowAtIndexPath(
    kit::TableView&, kit::IndexPath indexPath)
{
    m_choices->toggleRow(indexPath);
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
