#pragma once

#include "platform/foundation/Json.h"
#include "ui/BaseViewController.h"

#include <memory>
#include <string>
#include <string_view>

namespace kit {
class Button;
class ImageView;
class Label;
class NavigationController;
} // namespace kit

// Whether a collection succeeded, with the order's number, amount and time,
// and where back goes from here: the collect tab after a paid collection,
// the pay-way screen after a failed one, the order detail or the takings
// list after a re-payment. A result heard of away from its paying screen
// (pushLate) opens over whatever the staff see, another sale's waiting
// screen included, and its back returns just there, taking nothing away;
// nor does any other back take it away unseen.
class PayResultViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "PayResultViewController";

    // Pushes a result for the order above `from`.
    static void push(BaseViewController& from, const foundation::Json& order, const std::string& money,
        bool isRestartPay, bool isFromOrderDetailInto);
    // The same on top of `navigation`, whatever screen that is.
    static void push(kit::NavigationController& navigation, const foundation::Json& order,
        const std::string& money, bool isRestartPay, bool isFromOrderDetailInto);
    // A payment heard of late, on top of `navigation`; its back pops only itself.
    static void pushLate(
        kit::NavigationController& navigation, const foundation::Json& order, const std::string& money);
    // Pops `navigation` to `target`, keeping over it the late results above
    // it that the staff have not gone back from: another sale going back
    // must not take away a payment heard of meanwhile.
    static void popToKeepingLateResults(
        kit::NavigationController& navigation, const std::shared_ptr<kit::ViewController>& target);
    // How the QR code screens open it: the overlay "处理支付中..." for half a
    // second, and the result pushed above `from`.
    static void showAfterProcessing(BaseViewController& from, const foundation::Json& order,
        const std::string& money, bool isRestartPay, bool isFromOrderDetailInto);

    void loadView() override;
    void viewDidLoad() override;
    void initViews() override;
    // Where back goes depends on how the payment went (see the class comment).
    void back() override;

    const foundation::Json& data() const { return m_data; }
    void setData(foundation::Json data) { m_data = std::move(data); }
    const std::string& money() const { return m_money; }
    void setMoney(std::string money) { m_money = std::move(money); }
    bool isRestartPay() const { return m_isRestartPay; }
    void setIsRestartPay(bool restart) { m_isRestartPay = restart; }
    bool isFromOrderDetailInto() const { return m_isFromOrderDetailInto; }
    void setIsFromOrderDetailInto(bool fromDetail) { m_isFromOrderDetailInto = fromDetail; }
    bool isLate() const { return m_isLate; }

private:
    foundation::Json m_data = foundation::Json::object();
    std::string m_money;
    bool m_isRestartPay = false;
    bool m_isFromOrderDetailInto = false;
    bool m_isLate = false;

    std::shared_ptr<kit::ImageView> m_ivResult;
    std::shared_ptr<kit::Label> m_labelPayResult;
    std::shared_ptr<kit::Label> m_labelPayStatus;
    std::shared_ptr<kit::Label> m_labelOrderId;
    std::shared_ptr<kit::Label> m_labelOrderMoney;
    std::shared_ptr<kit::Label> m_labelPayTime;
};
