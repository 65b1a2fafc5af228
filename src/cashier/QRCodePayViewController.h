#pragma once

#include "api/NetUtilSign.h"
#include "platform/foundation/Json.h"
#include "ui/BaseViewController.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class OrderStatusPoller;

namespace kit {
class ImageView;
class Label;
class View;
} // namespace kit

// Shows a wallet's payment QR code for a new order and follows the order
// until it is paid or failed, then shows the result, or for a member
// payment returns the paid request to the member screen.
class QRCodePayViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "QRCodePayViewController";
    static constexpr std::string_view qrcodePath = "/PayApi/OfflinePay/qrcode/";
    static constexpr std::string_view loadingText = "生成支付码中...";
    static constexpr std::string_view imageFailedText = "生成支付码失败,请重试！";

    QRCodePayViewController();
    ~QRCodePayViewController() override;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    void initViews() override;
    void screenAdapter() override;

    void getPayCode();
    void getQrCodeImage(const std::string& url);
    void toPayResult(const foundation::Json& order);
    void memberConsume(const foundation::Json& order);
    void memberRecharge(const foundation::Json& order);

    const std::string& payWay() const { return m_payWay; }
    void setPayWay(std::string payWay) { m_payWay = std::move(payWay); }
    // Already written with two decimals.
    const std::string& money() const { return m_money; }
    void setMoney(std::string money) { m_money = std::move(money); }
    int consumeType() const { return m_consumeType; }
    void setConsumeType(int type) { m_consumeType = type; }
    double rechargeMoney() const { return m_rechargeMoney; }
    void setRechargeMoney(double money) { m_rechargeMoney = money; }
    const std::shared_ptr<NetUtilSign::Parameters>& requestPayParams() const { return m_requestPayParams; }
    void setRequestPayParams(std::shared_ptr<NetUtilSign::Parameters> params)
    {
        m_requestPayParams = std::move(params);
    }

    const foundation::Json& orderEntity() const { return m_orderEntity; }
    bool isPolling() const;

private:
    void handleImage(std::uint64_t generation, const std::string& bytes);
    void stopPolling();
    std::shared_ptr<QRCodePayViewController> selfQrCode()
    {
        return std::static_pointer_cast<QRCodePayViewController>(shared_from_this());
    }

    std::string m_payWay;
    std::string m_money;
    int m_consumeType = 0;
    double m_rechargeMoney = 0;
    std::shared_ptr<NetUtilSign::Parameters> m_requestPayParams;
    foundation::Json m_orderEntity = foundation::Json::object();
    std::shared_ptr<OrderStatusPoller> m_poller;
    // Bumped whenever the screen goes away: an image that arrives after
    // that must not start polling behind another screen.
    std::uint64_t m_generation = 0;

    std::shared_ptr<kit::View> m_moneyView;
    std::shared_ptr<kit::Label> m_labelMoneyFlag;
    std::shared_ptr<kit::Label> m_labelMoney;
    std::shared_ptr<kit::ImageView> m_ivPayWay;
    std::shared_ptr<kit::Label> m_labelPayWay;
    std::shared_ptr<kit::ImageView> m_ivQrCode;
    std::shared_ptr<kit::Label> m_labelScanMsg;
};
