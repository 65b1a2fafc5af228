#pragma once

#include "api/NetUtilSign.h"
#include "cashier/PaidAfterLeaving.h"
#include "platform/foundation/Json.h"
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
// Back while the order is unpaid asks first (UnpaidOrderExit): the order
// is cancelled, or followed without the screen when the staff leave anyway;
// so is an order whose screen the app covers or drops, until the screen
// shows again and takes it back.
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
    // Where a poll that says paid goes when it comes after the screen went away.
    virtual PaidAfterLeaving paidAfterLeaving() const = 0;
    // The order's wallet, as its cancel names it.
    virtual std::string orderWallet() const = 0;
    bool isPolling() const;

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

private:
    void showCodeAndPoll(const std::string& bytes, NetUtilSign::Parameters parameters);

    std::shared_ptr<OrderStatusPoller> m_poller;
    std::shared_ptr<UnpaidOrderExit> m_exit;
    std::uint64_t m_generation = 0;
};
