#include "cards/PassChooserViewController.h"

#include "platform/kit/Label.h"
#include "platform/kit/TableViewCell.h"

void PassChooserViewController::viewDidLoad()
{
    SingleChoiceViewController::viewDidLoad();
    getAvaliableCoupon();
}

void PassChooserViewController::initViews()
{
    m_datas.clear();
    std::weak_ptr<PassChooserViewController> weak
        = std::static_pointer_cast<PassChooserViewController>(shared_from_this());
    buildList("卡券发放", [weak]() -> std::shared_ptr<kit::TableViewCell> {
        auto strong = weak.lock();
        return strong ? strong->makeCell() : std::make_shared<kit::TableViewCell>();
    });
}

void PassChooserViewController::getAvaliableCoupon()
{
    // Anything but a list in "data" is no candidates at all.
    requestChoices(candidatesPath());
}

void PassChooserViewController::takeChoices(const foundation::Json& list)
{
    for (const auto& item : list)
        m_datas.push_back(item);
}

const foundation::Json* PassChooserViewController::currentEntity() const
{
    return m_currentRow && *m_currentRow < m_datas.size() ? &m_datas[*m_currentRow] : nullptr;
}

int PassChooserViewController::tableViewNumberOfRowsInSection(kit::TableView&, int)
{
    return static_cast<int>(m_datas.size());
}

void PassChooserViewController::fillRow(kit::TableViewCell& cell, kit::IndexPath indexPath)
{
    fillCell(cell, m_datas[static_cast<std::size_t>(indexPath.row)]);
}

bool PassChooserViewController::isChosen(kit::IndexPath indexPath)
{
    return m_currentRow == static_cast<std::size_t>(indexPath.row);
}

void PassChooserViewController::choiceChanged(long, long row, bool checked)
{
    if (checked && row >= 0 && static_cast<std::size_t>(row) < m_datas.size())
        m_currentRow = static_cast<std::size_t>(row);
    else
        m_currentRow.reset();
}
