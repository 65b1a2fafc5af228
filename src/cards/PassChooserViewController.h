#pragma once

#include "members/SingleChoiceViewController.h"
#include "members/VipEntityReceiver.h"
#include "platform/foundation/Json.h"

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class VipDetailEntity;

// The passes of one kind that can be sent to the member, one of which is
// checked and sent (or, for the platform's own, given a remark first) by
// "确定". The candidates load once, when the list is set up.
class PassChooserViewController : public SingleChoiceViewController, public VipEntityReceiver {
public:
    void viewDidLoad() override;
    void initViews() override;
    void getAvaliableCoupon();
    virtual void btnOkClick() = 0;

    int tableViewNumberOfRowsInSection(kit::TableView& tableView, int section) override;

    void setVipEntity(std::shared_ptr<VipDetailEntity> vipEntity) override
    {
        m_vipEntity = std::move(vipEntity);
    }
    const std::shared_ptr<VipDetailEntity>& vipEntity() const { return m_vipEntity; }
    const std::vector<foundation::Json>& datas() const { return m_datas; }
    // The checked candidate, or none.
    const foundation::Json* currentEntity() const;

protected:
    virtual std::string_view candidatesPath() const = 0;
    virtual std::shared_ptr<kit::TableViewCell> makeCell() const = 0;
    // Fills a row with its candidate's texts.
    virtual void fillCell(kit::TableViewCell& cell, const foundation::Json& candidate) const = 0;

    void takeChoices(const foundation::Json& list) override;
    void fillRow(kit::TableViewCell& cell, kit::IndexPath indexPath) override;
    bool isChosen(kit::IndexPath indexPath) override;
    void choiceChanged(long section, long row, bool checked) override;
    void confirmChoice() override { btnOkClick(); }

private:
    std::shared_ptr<VipDetailEntity> m_vipEntity;
    std::vector<foundation::Json> m_datas;
    std::optional<std::size_t> m_currentRow;
};
