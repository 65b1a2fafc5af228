#pragma once

#include "cashier/QrCodePollingViewController.h"

#include <memory>
#include <string>
#include <string_view>

// Shows the QR code of an existing unpaid order again and follows the
// order until it is paid or failed, then shows the result. A Baidu Wallet
// order is shown and polled as one.
class RePayViewController : public QrCodePollingViewController {
public:
    static constexpr std::string_view nibName = "RePayViewController";

    void initViews() override;
    void getQrCodeImage();
    void toPayResult(const foundation::Json& order) override;
    TillLedger::Order tillOrder() const override;
    std::string orderWallet() const override { return m_payWay; }

    const std::string& payWay() const { return m_payWay; }
    void setPayWay(std::string payWay) { m_payWay = std::move(payWay); }
    const std::string& money() const { return m_money; }
    void setMoney(std::string money) { m_money = std::move(money); }
    const std::string& imgUrl() const { return m_imgUrl; }
    void setImgUrl(std::string url) { m_imgUrl = std::move(url); }
    const std::string& orderId() const { return m_orderId; }
    void setOrderId(std::string orderId) { m_orderId = std::move(orderId); }
    bool isFromOrderDetailInto() const { return m_isFromOrderDetailInto; }
    void setIsFromOrderDetailInto(bool fromDetail) { m_isFromOrderDetailInto = fromDetail; }

private:
    std::string m_payWay;
    std::string m_money;
    std::string m_imgUrl;
    std::string m_orderId;
    bool m_isFromOrderDetailInto = false;
};
