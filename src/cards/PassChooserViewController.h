#pragma once

#include "members/VipEntityReceiver.h"
#include "platform/foundation/Json.h"
#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/TableViewDelegate.h"
#include "ui/BaseViewController.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kit {
class TableView;
class TableViewCell;
} // namespace kit
class SingleChoiceList;
class VipDetailEntity;

// The passes of one kind that can be sent to the member, one of which is
// checked and sent (or, for the platform's own, given a remark first) by
// "确定". The candidates load once, when the list is set up.
class PassChooserViewController : public BaseViewController,
                                  public VipEntityReceiver,
                                  public kit::TableViewDataSource,
                                  public kit::TableViewDelegate {
public:
    static constexpr const char* cellIdentifier = "cell_identifier";

    void viewDidLoad() override;
    void initViews() override;
    void getAvaliableCoupon();
    virtual void btnOkClick() = 0;

    int tableViewNumberOfRowsInSection(kit::TableView& tableView, int section) override;
    std::optional<double> tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath) override
    {
        return 50;
    }
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& tableView, kit::IndexPath indexPath) override;
    void tableViewDidSelectRowAtIndexPath(kit::TableView& tableView, kit::IndexPath indexPath) override;

    void setVipEntity(std::shared_ptr<VipDetailEntity> vipEntity) override
    {
        m_vipEntity = std::move(vipEntity);
    }
    const std::shared_ptr<VipDetailEntity>& vipEntity() const { return m_vipEntity; }
    const std::vector<foundation::Json>& datas() const { return m_datas; }
    // The checked candidate, or none.
    const foundation::Json* currentEntity() const;
    const std::shared_ptr<SingleChoiceList>& choices() const { return m_choices; }

protected:
    virtual std::string_view candidatesPath() const = 0;
    virtual std::shared_ptr<kit::TableViewCell> makeCell() const = 0;
    // Fills a row with its candidate's texts.
    virtual void fillCell(kit::TableViewCell& cell, const foundation::Json& candidate) const = 0;
    std::shared_ptr<PassChooserViewController> selfChooser()
    {
        return std::static_pointer_cast<PassChooserViewController>(shared_from_this());
    }

private:
    void handleCandidates(const std::optional<std::string>& reply);

    std::shared_ptr<VipDetailEntity> m_vipEntity;
    std::vector<foundation::Json> m_datas;
    std::optional<std::size_t> m_currentRow;
    std::shared_ptr<kit::TableView> m_tableView;
    std::shared_ptr<SingleChoiceList> m_choices;
};
