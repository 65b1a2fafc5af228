#include "ui/SingleChoiceList.h"

#include "platform/kit/Button.h"
#include "platform/kit/TableViewCell.h"
#include "ui/ColorUtil.h"
#include "ui/GreenButton.h"
#include "ui/PromptUtil.h"
#include "ui/UICheckBox.h"

#include <algorithm>

std::shared_ptr<SingleChoiceList> SingleChoiceList::create(ChangeHandler handler)
{
    return std::make_shared<SingleChoiceList>(std::move(handler));
}

SingleChoiceList::SingleChoiceList(ChangeHandler handler)
    : m_handler(std::move(handler))
{
}

std::shared_ptr<UICheckBox> SingleChoiceList::attach(kit::TableViewCell& cell, kit::IndexPath indexPath,
    bool checked, int tag, double rowWidth, double rowHeight)
{
    auto box = std::dynamic_pointer_cast<UICheckBox>(cell.viewWithName(checkboxName));
    if (!box) {
        box = std::make_shared<UICheckBox>(
            std::string(), graphics::Rect { rowWidth - boxSize, 7, boxSize, boxSize });
        box->setName(checkboxName);
        cell.addSubview(box);
        m_boxes.push_back(box);
    }
    box->setSection(indexPath.section);
    box->setRow(indexPath.row);
    box->setDelegate(weak_from_this());
    box->setChecked(checked);

    auto tapArea = std::dynamic_pointer_cast<kit::Button>(cell.viewWithName(tapAreaName));
    if (!tapArea) {
        tapArea = std::make_shared<kit::Button>(
            kit::ButtonType::Custom, graphics::Rect { 0, 0, rowWidth - boxStripWidth, rowHeight });
        tapArea->setName(tapAreaName);
        tapArea->setBackgroundColor(graphics::Color::clear());
        std::weak_ptr<SingleChoiceList> weakList = weak_from_this();
        std::weak_ptr<UICheckBox> weakBox = box;
        tapArea->addAction(
            [weakList, weakBox](kit::Control&) {
                auto list = weakList.lock();
                auto target = weakBox.lock();
                if (list && target)
                    list->btnSelectCheckbox(target);
            },
            kit::ControlEvent::TouchUpInside);
        cell.addSubview(tapArea);
    }
    tapArea->setTag(tag);
    return box;
}

void SingleChoiceList::btnSelectCheckbox(const std::shared_ptr<UICheckBox>& checkBox)
{
    bool checked = !checkBox->checked();
    checkBox->setChecked(checked);
    onChangeIsChecked(*checkBox, checked);
}

void SingleChoiceList::toggleRow(kit::IndexPath indexPath)
{
    if (auto box = checkboxAt(indexPath))
        btnSelectCheckbox(box);
}

void SingleChoiceList::onChangeIsChecked(UICheckBox& checkBox, bool isChecked)
{
    // Held: the handler may reload the list, which hands the boxes to other rows.
    auto self = shared_from_this();
    if (m_handler)
        m_handler(checkBox.section(), checkBox.row(), isChecked);
    for (const auto& box : checkboxArray()) {
        if (box.get() != &checkBox)
            box->setChecked(false);
    }
}

std::vector<std::shared_ptr<UICheckBox>> SingleChoiceList::checkboxArray() const
{
    std::vector<std::shared_ptr<UICheckBox>> boxes;
    for (const auto& weak : m_boxes) {
        if (auto box = weak.lock())
            boxes.push_back(box);
    }
    return boxes;
}

std::shared_ptr<UICheckBox> SingleChoiceList::checkboxAt(kit::IndexPath indexPath) const
{
    for (const auto& box : checkboxArray()) {
        if (box->section() == indexPath.section && box->row() == indexPath.row && box->superview())
            return box;
    }
    return nullptr;
}

std::shared_ptr<kit::View> SingleChoiceList::makeFooter(double width, std::function<void()> onOk)
{
    auto footer = std::make_shared<kit::View>(graphics::Rect { 0, 0, width, 80 });
    auto line = std::make_shared<kit::View>(graphics::Rect { 0, 0, width, 1 });
    line->setBackgroundColor(ColorUtil::getUIColorByHex("cccccc"));
    footer->addSubview(line);
    auto ok
        = std::make_shared<kit::Button>(kit::ButtonType::Custom, graphics::Rect { 15, 25, width - 30, 40 });
    ok->setName("btnOk");
    ok->setTitle("确定", kit::ControlState::Normal);
    ok->setTintColor(graphics::Color::white());
    ok->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    GreenButton::style(*ok);
    ok->addAction([onOk = std::move(onOk)](kit::Control&) { onOk(); }, kit::ControlEvent::TouchUpInside);
    footer->addSubview(ok);
    return footer;
}

bool SingleChoiceList::confirm(bool hasChoice, const std::string& emptyChoiceMessage)
{
    if (!hasChoice)
        PromptUtil::toast(emptyChoiceMessage);
    return hasChoice;
}
