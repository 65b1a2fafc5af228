#pragma once

#include "api/NetUtilSign.h"
#include "platform/foundation/Json.h"
#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/TableViewDelegate.h"
#include "ui/BaseViewController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kit {
class TableView;
class TableViewCell;
} // namespace kit
class SingleChoiceList;

// A chooser screen: rows of 50 points under the screen's title, one check
// box each (checking one clears the others), "确定" under the list, and the
// choices asked for once, when the screen loads. The discount way, the
// points reason, the recharge rule and the passes to send are chosen so.
class SingleChoiceViewController : public BaseViewController,
                                   public kit::TableViewDataSource,
                                   public kit::TableViewDelegate {
public:
    // The base set-up, initViews, the back button, screenAdapter; the
    // screens ask for their choices after it.
    void viewDidLoad() override;

    // Dequeued, not highlighted when tapped, filled by fillRow and given
    // its box, checked when isChosen says so.
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& tableView, kit::IndexPath indexPath) override;
    std::optional<double> tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath) override
    {
        return rowHeight;
    }
    // A row chosen by the list itself (a scripted tap) does what a finger on
    // the row's tap area does.
    void tableViewDidSelectRowAtIndexPath(kit::TableView& tableView, kit::IndexPath indexPath) override;

    const std::shared_ptr<SingleChoiceList>& choices() const { return m_choices; }

protected:
    static constexpr double rowHeight = 50;
    static constexpr const char* cellIdentifier = "cell_identifier";

    // The title, and the list under the bar with its rows made by `makeCell`.
    void buildList(const std::string& title, std::function<std::shared_ptr<kit::TableViewCell>()> makeCell,
        const char* tableName = "tableView");
    // Asks `path` for the choices: a refusal shows its info; a list in
    // "data" goes to takeChoices and the rows are drawn again; anything
    // else is no choices at all.
    void requestChoices(std::string_view path, NetUtilSign::Parameters parameters = {});
    virtual void takeChoices(const foundation::Json& list) = 0;

    virtual void fillRow(kit::TableViewCell& cell, kit::IndexPath indexPath) = 0;
    virtual bool isChosen(kit::IndexPath indexPath) = 0;
    // A box was checked (the row's entry is the choice now) or unchecked
    // (there is none).
    virtual void choiceChanged(long section, long row, bool checked) = 0;
    // "确定".
    virtual void confirmChoice() = 0;

    const std::shared_ptr<kit::TableView>& tableView() const { return m_tableView; }

private:
    std::shared_ptr<SingleChoiceViewController> selfChooser()
    {
        return std::static_pointer_cast<SingleChoiceViewController>(shared_from_this());
    }
    void handleChoices(const std::optional<std::string>& reply);

    std::shared_ptr<kit::TableView> m_tableView;
    std::shared_ptr<SingleChoiceList> m_choices;
};
