#include "members/SingleChoiceViewController.h"

#include "api/JsonUtil.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TableViewCell.h"
#include "ui/PromptUtil.h"
#include "ui/SingleChoiceList.h"
#include "ui/TitleLabel.h"

void SingleChoiceViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
}

void SingleChoiceViewController::buildList(const std::string& title,
    std::function<std::shared_ptr<kit::TableViewCell>()> makeCell, const char* tableName)
{
    navigationItem()->setTitleView(TitleLabel::make(title));
    auto root = view();
    root->setBackgroundColor(graphics::Color::white());
    double width = root->bounds().width();
    std::weak_ptr<SingleChoiceViewController> weak = selfChooser();
    m_choices = SingleChoiceList::create([weak](long section, long row, bool checked) {
        if (auto strong = weak.lock())
            strong->choiceChanged(section, row, checked);
    });
    m_tableView
        = std::make_shared<kit::TableView>(graphics::Rect { 0, 64, width, root->bounds().height() - 64 });
    m_tableView->setName(tableName);
    m_tableView->setDataSource(selfChooser());
    m_tableView->setDelegate(selfChooser());
    m_tableView->registerCellFactory(cellIdentifier, std::move(makeCell));
    m_tableView->setTableFooterView(SingleChoiceList::makeFooter(width, [weak] {
        if (auto strong = weak.lock())
            strong->confirmChoice();
    }));
    root->addSubview(m_tableView);
}

void SingleChoiceViewController::requestChoices(std::string_view path, NetUtilSign::Parameters parameters)
{
    std::weak_ptr<SingleChoiceViewController> weak = selfChooser();
    NetUtilSign::doPost(path, std::nullopt, NetUtilSign::memberKeyFlag, std::move(parameters),
        [weak](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleChoices(reply);
        });
}

void SingleChoiceViewController::handleChoices(const std::optional<std::string>& replyText)
{
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    const auto& data = JsonUtil::data(reply);
    if (!data.is_array() || data.empty())
        return;
    takeChoices(data);
    m_tableView->reloadData();
}

std::shared_ptr<kit::TableViewCell> SingleChoiceViewController::tableViewCellForRowAtIndexPath(
    kit::TableView& tableView, kit::IndexPath indexPath)
{
    auto cell = tableView.dequeueReusableCellWithIdentifier(cellIdentifier, indexPath);
    if (!cell || indexPath.row < 0
        || indexPath.row >= tableViewNumberOfRowsInSection(tableView, indexPath.section))
        return cell;
    cell->setSelectionStyle(kit::TableViewCellSelectionStyle::None);
    cell->setClipsToBounds(true);
    cell->setSeparatorInset({ 0, 0, 0, 0 });
    fillRow(*cell, indexPath);
    m_choices->attach(
        *cell, indexPath, isChosen(indexPath), indexPath.row, view()->bounds().width(), rowHeight);
    return cell;
}

void SingleChoiceViewController::tableViewDidSelectRowAtIndexPath(
    kit::TableView& tableView, kit::IndexPath indexPath)
{
    tableView.deselectRowAtIndexPath(indexPath, true);
    m_choices->toggleRow(indexPath);
}
