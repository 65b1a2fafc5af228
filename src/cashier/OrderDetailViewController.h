#pragma once

#include "cashier/ScreenAction.h"
#include "platform/foundation/Json.h"
#include "platform/graphics/Geometry.h"
#include "ui/BaseViewController.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class SubmitGuard;

namespace kit {
class AlertView;
class Button;
class Label;
class ScrollView;
class View;
} // namespace kit

// One payment order and the actions its state allows: collect it again by
// QR code, cancel it, refund it, reload it.
//
// The order is fetched again every time the screen appears (an order the
// search handed over is shown at first and fetched from then on), so a
// refund or re-payment made meanwhile always shows. Each action's control
// stays blocked while its request is out, and a reply from before the
// screen last went away, or overtaken by a newer load, is dropped.
//
// A refund or cancel of the order whose outcome is unknown (on this screen
// or any other: the till's ledger keeps them) is said on the screen
// (labelMoneyState) until a fetch of the order sent after it succeeds;
// until then no refund of it goes out. A cancel whose reply was lost, or
// that was refused, fetches the order at once, so a cancelled order shows
// as such.
class OrderDetailViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "OrderDetailViewController";
    static constexpr std::string_view detailsPath = "/PayApi/OfflinePay/getOrderDetails";
    static constexpr std::string_view repayPath = "/PayApi/OfflinePay/repay";
    static constexpr std::string_view cancelPath = "/PayApi/OfflinePay/cancel";
    static constexpr double buttonWidth = 68;
    static constexpr double buttonHeight = 38;
    static constexpr double buttonGap = 8;
    static constexpr std::string_view refundUnknownText = "退款结果未知,请先获取订单最新状态！";
    static constexpr std::string_view refundOutText = "正在退款,请稍候...";
    static constexpr std::string_view cancelLostText = "撤销订单结果未知,正在获取订单最新状态...";

    OrderDetailViewController();

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void initViews() override;

    void restartPay();
    void cancelOrder();
    void refund();
    void refreshOrder();
    void alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex) override;

    void getOrderDetailById();
    void refreshOrderNoLoading();
    void cancelRequest();
    void fillData();
    std::shared_ptr<kit::Button> getOperationButton(const std::string& title);
    graphics::Rect getLeftButtonFrame();
    graphics::Rect getOtherButtonFrame(int position);
    void initConfirmAlertView(const std::string& title);

    const std::string& orderId() const { return m_orderId; }
    void setOrderId(std::string orderId) { m_orderId = std::move(orderId); }
    const std::string& orderType() const { return m_orderType; }
    void setOrderType(std::string orderType) { m_orderType = std::move(orderType); }
    const foundation::Json& orderEntity() const { return m_orderEntity; }
    void setOrderEntity(foundation::Json order) { m_orderEntity = std::move(order); }
    int operationBtnCount() const { return m_operationBtnCount; }
    const std::shared_ptr<kit::AlertView>& confirmAlertView() const { return m_confirmAlertView; }

private:
    enum class LoadKind { OnAppear, ByButton, AfterCancel };
    void load(LoadKind kind, const std::string& orderId, const std::string& payment);
    std::string field(std::string_view key) const;
    // What the ledger holds of the order's refunds and cancels, on the screen.
    void showMoneyState();
    // Holds while the screen lives and no newer load or leaving came since.
    ScreenAction::IsCurrent isCurrent();
    std::shared_ptr<OrderDetailViewController> selfDetail()
    {
        return std::static_pointer_cast<OrderDetailViewController>(shared_from_this());
    }

    std::string m_orderId;
    std::string m_orderType;
    foundation::Json m_orderEntity = foundation::Json::object();
    int m_operationBtnCount = 1;
    std::shared_ptr<kit::AlertView> m_confirmAlertView;
    std::uint64_t m_generation = 0;
    // Every action button stays blocked while an action's request is out.
    std::shared_ptr<SubmitGuard> m_actionGuard;

    std::shared_ptr<kit::ScrollView> m_scrollView;
    std::shared_ptr<kit::Label> m_labelShopName;
    std::shared_ptr<kit::Label> m_labelUserNum;
    std::shared_ptr<kit::Label> m_labelKey;
    std::shared_ptr<kit::Label> m_labelOrderId;
    std::shared_ptr<kit::Label> m_labelTradeNum;
    std::shared_ptr<kit::Label> m_labelBuyerAccount;
    std::shared_ptr<kit::Label> m_labelSellerAccount;
    std::shared_ptr<kit::Label> m_labelAddTime;
    std::shared_ptr<kit::Label> m_labelPayTime;
    std::shared_ptr<kit::Label> m_labelPayType;
    std::shared_ptr<kit::Label> m_labelPayment;
    std::shared_ptr<kit::Label> m_labelPayStatus;
    std::shared_ptr<kit::Label> m_labelIsRefund;
    std::shared_ptr<kit::Label> m_labelOrderMoney;
    std::shared_ptr<kit::Label> m_labelOrderPayMoney;
    std::shared_ptr<kit::Label> m_labelMoneyState;
    std::shared_ptr<kit::View> m_operationContainer;
    std::shared_ptr<kit::Button> m_btnRefreshStatus;
    std::shared_ptr<kit::Button> m_btnRePay;
    std::shared_ptr<kit::Button> m_btnCancelOrder;
    std::shared_ptr<kit::Button> m_btnRefund;
};
