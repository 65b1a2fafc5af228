#include "members/ChooseCreditReasonViewController.h"

#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "members/RadioAndLabelCell.h"
#include "model/ScoreReasonEntity.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/TableView.h"
#include "ui/PromptUtil.h"
#include "ui/SingleChoiceList.h"
#include "ui/TitleLabel.h"

void ChooseCreditReasonViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
    getOperationReason();
}

void ChooseCreditReasonViewController::initViews()
{
    navigationItem()->setTitleView(TitleLabel::make("积分授予理由"));
    auto root = view();
    root->setBackgroundColor(graphics::Color::white());
    double width = root->bounds().width();
    std::weak_ptr<ChooseCreditReasonViewController> weak = selfChooser();
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

void ChooseCreditReasonViewController::getOperationReason()
{
    std::weak_ptr<ChooseCreditReasonViewController> weak = selfChooser();
    NetUtilSign::doPost(URLConfig::REASONS, std::nullopt, NetUtilSign::memberKeyFlag, {},
        [weak](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleReasons(reply);
        });
}

void ChooseCreditReasonViewController::handleReasons(const std::optional<std::string>& replyText)
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
        m_datas.push_back(ScoreReasonEntity::initWithJSON(item));
    m_tableView->reloadData();
}

int ChooseCreditReasonViewController::tableViewNumberOfRowsInSection(kit::TableView&, int)
{
    return static_cast<int>(m_datas.size());
}

std::shared_ptr<kit::TableViewCell> ChooseCreditReasonViewController::tableViewCellForRowAtIndexPath(
    kit::TableView& tableView, kit::IndexPath indexPath)
{
    auto cell = std::dynamic_pointer_cast<RadioAndLabelCell>(
        tableView.dequeueReusableCellWithIdentifier(RadioAndLabelCell::reuseIdentifier, indexPath));
    if (!cell || static_cast<std::size_t>(indexPath.row) >= m_datas.size())
        return cell;
    const auto& reason = *m_datas[static_cast<std::size_t>(indexPath.row)];
    cell->setSelectionStyle(kit::TableViewCellSelectionStyle::None);
    cell->setClipsToBounds(true);
    cell->setSeparatorInset({ 0, 0, 0, 0 });
    cell->labelTitle()->setText(reason.reason());
    // Matched by id; two reasons that both lack one are not the same reason.
    bool checked = m_currentEntity && m_currentEntity->id() && m_currentEntity->id() == reason.id();
    m_choices->attach(*cell, indexPath, checked, indexPath.row, view()->bounds().width(), 50);
    return cell;
}

void ChooseCreditReasonViewController::tableViewDidSelectRowAtIndexPath(
    kit::TableView&, kit::IndexPath indexPath)
{
    m_choices->toggleRow(indexPath);
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
