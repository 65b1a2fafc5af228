#pragma once

#include "platform/kit/IndexPath.h"
#include "ui/UICheckBoxDelegate.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kit {
class Control;
class TableViewCell;
class View;
} // namespace kit

// The common form of the chooser screens: one check box per row, a tap
// anywhere else on the row flips that row's box, checking one box clears
// the others, and "确定" under the list reports the choice or asks for one.
// The screen keeps its chosen entry; this keeps the boxes and tells the
// screen, through the handler, which row was checked or that none is.
//
//     m_choices = SingleChoiceList::create([weak](long section, long row, bool checked) { ... });
//     // in cellForRow:
//     m_choices->attach(*cell, indexPath, isChosen(row), row, view()->bounds().width(), 50);
class SingleChoiceList : public UICheckBoxDelegate, public std::enable_shared_from_this<SingleChoiceList> {
public:
    using ChangeHandler = std::function<void(long section, long row, bool checked)>;

    static constexpr const char* checkboxName = "checkbox";
    static constexpr const char* tapAreaName = "btnSelectCheckbox";
    static constexpr double boxSize = 35;
    // The strip at the right of a row that belongs to the box alone.
    static constexpr double boxStripWidth = 40;

    static std::shared_ptr<SingleChoiceList> create(ChangeHandler handler);
    explicit SingleChoiceList(ChangeHandler handler);

    // Gives the row its box, checked or not without telling anyone, and its
    // tap area tagged `tag`. A reused cell keeps the box and tap area it
    // already has, so a row never shows two.
    std::shared_ptr<UICheckBox> attach(kit::TableViewCell& cell, kit::IndexPath indexPath, bool checked,
        int tag, double rowWidth, double rowHeight);

    void onChangeIsChecked(UICheckBox& checkBox, bool isChecked) override;
    // What a touch on the row's tap area does: flips the row's box and
    // reports it as a touch on the box would. Lists selected by their own
    // rows (a scripted tap) call this from did-select.
    void toggleRow(kit::IndexPath indexPath);

    // The boxes of the rows made so far.
    std::vector<std::shared_ptr<UICheckBox>> checkboxArray() const;
    // The box showing this row now, or null.
    std::shared_ptr<UICheckBox> checkboxAt(kit::IndexPath indexPath) const;

    // Under the list: a grey line and the "确定" button (named "btnOk").
    static std::shared_ptr<kit::View> makeFooter(double width, std::function<void()> onOk);
    // What "确定" does without a choice: the screen's message as a toast.
    // True when there is a choice to report.
    static bool confirm(bool hasChoice, const std::string& emptyChoiceMessage);

private:
    void btnSelectCheckbox(const std::shared_ptr<UICheckBox>& checkBox);

    ChangeHandler m_handler;
    std::vector<std::weak_ptr<UICheckBox>> m_boxes;
};
