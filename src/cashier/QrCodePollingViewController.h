#pragma once

#include "api/NetUtilSign.h"
#include "platform/foundation/Json.h"
#include "till/TillLedger.h"
#include "ui/BaseViewController.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class OrderStatusPoller;
class QrCodePayView;
class UnpaidOrderExit;

// What the QR code payment and the re-payment share: the body (amount,
// wallet, code), polling that starts once the order's picture shows, and
// the result once the order is paid or failed. Neither screen runs the base
// appearance step.
//
// The order is the till's (TillLedger): followed here while the screen
// shows, and left waiting, for the app to follow, whenever the screen goes
// with it unpaid; the screen takes it back when it shows again. Back while
// the order is unpaid asks first (UnpaidOrderExit). A poll that finds the
// order cancelled ends the polling and says so.
class QrCodePollingViewController : public BaseViewController {
public:
    static constexpr std::string_view loadingText = "生成支付码中...";
    static constexpr std::string_view imageFailedText = "生成支付码失败,请重试！";

    ~QrCodePollingViewController() override;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    void screenAdapter() override;
    // Asks first while the order is unpaid.
    void back() override;

    // The order settled: paid ("paystatus" "1") or failed ("2").
    virtual void toPayResult(const foundation::Json& order) = 0;
    // The order as the ledger keeps it (its number aside).
    virtual TillLedger::Order tillOrder() const = 0;
    // The order's wallet, as its cancel names it.
    virtual std::string orderWallet() const = 0;
    bool isPolling() const;
    // No order followed here: nothing to lose when the screen goes.
    bool isIdle() const { return !isPolling(); }

protected:
    QrCodePollingViewController();

    QrCodePayView& body();
    // Bumped whenever the screen goes away: a reply asked for before that
    // must not start anything behind another screen.
    std::uint64_t generation() const { return m_generation; }
    // The reply block of the order's picture: once it arrives the picture
    // shows and the order is polled with these parameters; bytes that are
    // empty or no picture toast instead. A picture that arrives after the
    // screen went away changes nothing.
    std::function<void(const std::string& bytes)> onPicture(NetUtilSign::Parameters parameters);
    // The order's number as polled.
    const std::string& followedOrder() const { return m_orderid; }

private:
    void showCodeAndPoll(const std::string& bytes, NetUtilSign::Parameters parameters);
    void poll();
    void settled(const foundation::Json& order);
    void leaveOrder();

    std::shared_ptr<OrderStatusPoller> m_poller;
    std::shared_ptr<UnpaidOrderExit> m_exit;
    NetUtilSign::Parameters m_pollParameters;
    std::string m_orderid;
    std::uint64_t m_generation = 0;
};
