#pragma once

#include "cashier/QrCodePollingViewController.h"

#include <memory>
#include <string>
#include <string_view>

// Shows a wallet's payment QR code for a new order and follows the order
// until it is paid or failed, then shows the result, or for a member
// payment returns the paid request to the member screen when the ledger
// binds it to that sale.
class QRCodePayViewController : public QrCodePollingViewController {
public:
    static constexpr std::string_view nibName = "QRCodePayViewController";
    static constexpr std::string_view qrcodePath = "/PayApi/OfflinePay/qrcode/";

    void initViews() override;
    void getPayCode();
    void getQrCodeImage(const std::string& url);
    void toPayResult(const foundation::Json& order) override;
    TillLedger::Order tillOrder() const override;
    std::string orderWallet() const override { return m_payWay; }
    // False when no member screen of the kind is in the stack to take the
    // paid request back.
    bool memberConsume(const foundation::Json& order);
    bool memberRecharge(const foundation::Json& order);

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
    // The member sale whose mobile part this pays (none for a plain collection).
    TillLedger::Id tillSale() const { return m_tillSale; }
    void setTillSale(TillLedger::Id sale) { m_tillSale = sale; }

    const foundation::Json& orderEntity() const { return m_orderEntity; }

private:
    std::string m_payWay;
    std::string m_money;
    int m_consumeType = 0;
    double m_rechargeMoney = 0;
    std::shared_ptr<NetUtilSign::Parameters> m_requestPayParams;
    TillLedger::Id m_tillSale = 0;
    foundation::Json m_orderEntity = foundation::Json::object();
};
