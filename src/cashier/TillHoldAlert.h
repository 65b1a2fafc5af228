#pragma once

#include "platform/kit/AlertViewDelegate.h"
#include "till/TillLedger.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class BaseViewController;
namespace kit {
class AlertView;
}

// The question a held till asks before money moves (TillLedger::heldItems
// of the action): alert "支付结果未知", with one line for each thing that
// holds it, so that the staff know what to look for in the takings.
//
//   0 "已核实未付款"  the staff checked: what the alert listed holds nothing
//                    any more (an order of it is cancelled by the app), and
//                    the action goes on, after asking again when something
//                    else came to hold it meanwhile.
//   1 "查看账单"      opens the takings on the held payment's wallet; the
//                    till stays held.
//   2 "取消"          nothing.
//
// A screen owns one for the money it moves; main thread only.
class TillHoldAlert : public kit::AlertViewDelegate, public std::enable_shared_from_this<TillHoldAlert> {
public:
    static constexpr std::string_view title = "支付结果未知";
    static constexpr std::string_view message
        = "上一笔付款码支付结果未知,顾客可能已付款。请先在账单中核实该笔订单,确认未付款后再收款。";
    static constexpr std::string_view checkedButton = "已核实未付款";
    static constexpr std::string_view takingsButton = "查看账单";

    static std::shared_ptr<TillHoldAlert> create(BaseViewController& screen, TillLedger::MoneyAction action);
    TillHoldAlert(BaseViewController& screen, TillLedger::MoneyAction action);
    ~TillHoldAlert() override;

    // Runs `go` at once when nothing holds the action; otherwise asks (one
    // question at a time) and runs it once the staff checked. `go` may run
    // later: it must check that its screen is still up.
    void whenFree(std::function<void()> go);
    void alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex) override;

private:
    void openTakings();

    std::weak_ptr<BaseViewController> m_screen;
    TillLedger::MoneyAction m_action;
    std::shared_ptr<kit::AlertView> m_alert;
    std::function<void()> m_go;
    // Their word frees what they were shown, and nothing that comes to hold the till meanwhile.
    std::vector<TillLedger::HeldItem> m_shown;
};
