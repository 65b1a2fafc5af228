#include "cards/PassChooserViewController.h"

#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TableViewCell.h"
#include "ui/PromptUtil.h"
#include "ui/SingleChoiceList.h"
#include "ui/TitleLabel.h"

void PassChooserViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
    getAvaliableCoupon();
}

void PassChooserViewController::initViews()
{
    navigationItem()->setTitleView(TitleLabel::make("卡券发放"));
    auto root = view();
    root->setBackgroundColor(graphics::Color::white());
    double width = root->bounds().width();
    m_datas.clear();
    std::weak_ptr<PassChooserViewController> weak = selfChooser();
    m_choices = SingleChoiceList::create([weak](long, long row, bool checked) {
        auto strong = weak.lock();
        if (!strong)
            return;
        if (checked && row >= 0 && static_cast<std::size_t>(row) < strong->m_datas.size())
            strong->m_currentRow = static_cast<std::size_t>(row);
        else
            strong->m_currentRow.reset();
    });
    m_tableView
        = std::make_shared<kit::TableView>(graphics::Rect { 0, 64, width, root->bounds().height() - 64 });
    m_tableView->setName("tableView");
    m_tableView->setDelegate(selfChooser());
    m_tableView->setDataSource(selfChooser());
    m_tableView->registerCellFactory(cellIdentifier, [weak] {
        auto strong = weak.lock();
        return strong ? strong->makeCell() : std::make_shared<kit::TableViewCell>();
    });
    m_tableView->setTableFooterView(SingleChoiceList::makeFooter(width, [weak] {
        if (auto strong = weak.lock())
            strong->btnOkClick();
    }));
    root->addSubview(m_tableView);
}

void PassChooserViewController::getAvaliableCoupon()
{
    std::weak_ptr<PassChooserViewController> weak = selfChooser();
    NetUtilSign::doPost(candidatesPath(), std::nullopt, NetUtilSign::memberKeyFlag, {},
        [weak](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleCandidates(reply);
        });
}

void PassChooserViewController::handleCandidates(const std::optional<std::string>& replyText)
{
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    // Anything but a list is no candidates at all.
    const auto& data = JsonUtil::data(reply);
    if (!data.is_array())
        return;
    for (const auto& item : data)
        m_datas.push_back(item);
    m_tableView->reloadData();
}

const foundation::Json* PassChooserViewController::currentEntity() const
{
    return m_currentRow && *m_currentRow < m_datas.size() ? &m_datas[*m_currentRow] : nullptr;
}

int PassChooserViewController::tableViewNumberOfRowsInSection(kit::TableView&, int)
{
    return static_cast<int>(m_datas.size());
}

std::shared_ptr<kit::TableViewCell> PassChooserViewController::tableViewCellForRowAtIndexPath(
    kit::TableView& tableView, kit::IndexPath indexPath)
{
    auto cell = tableView.dequeueReusableCellWithIdentifier(cellIdentifier, indexPath);
    if (!cell || indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= m_datas.size())
        return cell;
    cell->setSelectionStyle(kit::TableViewCellSelectionStyle::None);
    cell->setClipsToBounds(true);
    cell->setSeparatorInset({ 0, 0, 0, 0 });
    fillCell(*cell, m_datas[static_cast<std::size_t>(indexPath.row)]);
    bool checked = m_currentRow == static_cast<std::size_t>(indexPath.row);
    m_choices->attach(*cell, indexPath, checked, indexPath.row, view()->bounds().width(), 50);
    return cell;
}

void PassChooserViewController::tableViewDidSelectRowAtIndexPath(kit::TableView&, kit::IndexPath indexPath)
{
    m_choices->toggleRow(indexPath);
}
