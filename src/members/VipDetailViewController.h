#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/graphics/DrawingContext.h"
#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/TableViewDelegate.h"
#include "ui/BaseViewController.h"

#include <memory>
#include <string>
#include <string_view>

namespace kit {
class Button;
class Control;
class ImageView;
class Label;
class NavigationController;
class TableView;
} // namespace kit
class VipDetailEntity;

// One member, found by card number: portrait, figures, dates, a table of
// further fields and the four actions (purchase, recharge, points, passes).
// Reloaded on every appearance, so a return from an action shows the
// server's new figures.
class VipDetailViewController : public BaseViewController,
                                public kit::TableViewDataSource,
                                public kit::TableViewDelegate {
public:
    static constexpr std::string_view nibName = "VipDetailViewController";
    static constexpr int fieldRowCount = 8;

    // Pushes a detail for the card number onto the stack.
    static void open(
        const std::shared_ptr<kit::NavigationController>& navigation, const std::string& cardnum);

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void initViews() override;

    void getVipInfo();
    void btnClick(kit::Control& sender);
    void setBtnStyle(kit::Button& button);

    int tableViewNumberOfRowsInSection(kit::TableView& tableView, int section) override;
    std::optional<double> tableViewHeightForRowAtIndexPath(kit::TableView&, kit::IndexPath) override;
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& tableView, kit::IndexPath indexPath) override;

    const std::string& cardnum() const { return m_cardnum; }
    void setCardnum(std::string cardnum) { m_cardnum = std::move(cardnum); }
    const std::shared_ptr<VipDetailEntity>& vipEntity() const { return m_vipEntity; }
    void setVipEntity(std::shared_ptr<VipDetailEntity> vipEntity) { m_vipEntity = std::move(vipEntity); }

private:
    std::shared_ptr<VipDetailViewController> selfDetail()
    {
        return std::static_pointer_cast<VipDetailViewController>(shared_from_this());
    }
    void handleVipInfo(const std::optional<std::string>& reply);
    void showMember();
    std::shared_ptr<kit::Label> addLabel(kit::View& parent, const char* name, const graphics::Rect& frame,
        double fontSize, graphics::TextAlignment alignment = graphics::TextAlignment::Left);
    std::shared_ptr<kit::Button> addActionButton(
        const char* name, const char* title, double x, double y, double w);

    std::string m_cardnum;
    std::shared_ptr<VipDetailEntity> m_vipEntity;
    std::shared_ptr<kit::ImageView> m_ivBg;
    std::shared_ptr<kit::ImageView> m_ivVipPhoto;
    std::shared_ptr<kit::Label> m_labelUserName;
    std::shared_ptr<kit::Label> m_labelVipNum;
    std::shared_ptr<kit::Label> m_labelVipMoney;
    std::shared_ptr<kit::Label> m_labelFreeMoney;
    std::shared_ptr<kit::Label> m_labelVipPoint;
    std::shared_ptr<kit::Label> m_labelVipStatus;
    std::shared_ptr<kit::Label> m_labelGetCardDate;
    std::shared_ptr<kit::Label> m_labelCardTimeOut;
    std::shared_ptr<kit::Button> m_btnVipConsume;
    std::shared_ptr<kit::Button> m_btnVipRecharge;
    std::shared_ptr<kit::Button> m_btnAddCredit;
    std::shared_ptr<kit::Button> m_btnSendCard;
    std::shared_ptr<kit::TableView> m_tableView;
};
