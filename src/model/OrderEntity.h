#pragma once

#include "model/BaseEntity.h"

#include <memory>
#include <optional>
#include <string>

// One row of the order list.
class OrderEntity : public BaseEntity {
public:
    static std::shared_ptr<OrderEntity> initWithJSON(const foundation::Json* json);
    static std::shared_ptr<OrderEntity> initWithJSON(const foundation::Json& json)
    {
        return initWithJSON(&json);
    }

    const std::optional<std::string>& seller_id() const { return m_seller_id; }
    void setSeller_id(std::optional<std::string> seller_id) { m_seller_id = std::move(seller_id); }
    const std::optional<std::string>& seller_account() const { return m_seller_account; }
    void setSeller_account(std::optional<std::string> seller_account)
    {
        m_seller_account = std::move(seller_account);
    }
    const std::optional<std::string>& refundmoney() const { return m_refundmoney; }
    void setRefundmoney(std::optional<std::string> refundmoney) { m_refundmoney = std::move(refundmoney); }
    const std::optional<std::string>& refundtime() const { return m_refundtime; }
    void setRefundtime(std::optional<std::string> refundtime) { m_refundtime = std::move(refundtime); }
    const std::optional<std::string>& reason() const { return m_reason; }
    void setReason(std::optional<std::string> reason) { m_reason = std::move(reason); }
    const std::optional<std::string>& company() const { return m_company; }
    void setCompany(std::optional<std::string> company) { m_company = std::move(company); }
    const std::optional<std::string>& nickname() const { return m_nickname; }
    void setNickname(std::optional<std::string> nickname) { m_nickname = std::move(nickname); }
    const std::optional<std::string>& shopname() const { return m_shopname; }
    void setShopname(std::optional<std::string> shopname) { m_shopname = std::move(shopname); }
    const std::optional<std::string>& orderid() const { return m_orderid; }
    void setOrderid(std::optional<std::string> orderid) { m_orderid = std::move(orderid); }
    const std::optional<std::string>& trade_no() const { return m_trade_no; }
    void setTrade_no(std::optional<std::string> trade_no) { m_trade_no = std::move(trade_no); }
    const std::optional<std::string>& paymoney() const { return m_paymoney; }
    void setPaymoney(std::optional<std::string> paymoney) { m_paymoney = std::move(paymoney); }
    const std::optional<std::string>& buyer_id() const { return m_buyer_id; }
    void setBuyer_id(std::optional<std::string> buyer_id) { m_buyer_id = std::move(buyer_id); }
    const std::optional<std::string>& buyer_account() const { return m_buyer_account; }
    void setBuyer_account(std::optional<std::string> buyer_account)
    {
        m_buyer_account = std::move(buyer_account);
    }
    const std::optional<std::string>& paytype() const { return m_paytype; }
    void setPaytype(std::optional<std::string> paytype) { m_paytype = std::move(paytype); }
    const std::optional<std::string>& addtime() const { return m_addtime; }
    void setAddtime(std::optional<std::string> addtime) { m_addtime = std::move(addtime); }
    const std::optional<std::string>& paytime() const { return m_paytime; }
    void setPaytime(std::optional<std::string> paytime) { m_paytime = std::move(paytime); }
    const std::optional<std::string>& paystatus() const { return m_paystatus; }
    void setPaystatus(std::optional<std::string> paystatus) { m_paystatus = std::move(paystatus); }
    const std::optional<std::string>& is_refund() const { return m_is_refund; }
    void setIs_refund(std::optional<std::string> is_refund) { m_is_refund = std::move(is_refund); }
    const std::optional<std::string>& payment() const { return m_payment; }
    void setPayment(std::optional<std::string> payment) { m_payment = std::move(payment); }
    const std::optional<std::string>& pryPayMoney() const { return m_pryPayMoney; }
    void setPryPayMoney(std::optional<std::string> pryPayMoney) { m_pryPayMoney = std::move(pryPayMoney); }

private:
    std::optional<std::string> m_seller_id;
    std::optional<std::string> m_seller_account;
    std::optional<std::string> m_refundmoney;
    std::optional<std::string> m_refundtime;
    std::optional<std::string> m_reason;
    std::optional<std::string> m_company;
    std::optional<std::string> m_nickname;
    std::optional<std::string> m_shopname;
    std::optional<std::string> m_orderid;
    std::optional<std::string> m_trade_no;
    std::optional<std::string> m_paymoney;
    std::optional<std::string> m_buyer_id;
    std::optional<std::string> m_buyer_account;
    std::optional<std::string> m_paytype;
    std::optional<std::string> m_addtime;
    std::optional<std::string> m_paytime;
    std::optional<std::string> m_paystatus;
    std::optional<std::string> m_is_refund;
    std::optional<std::string> m_payment;
    std::optional<std::string> m_pryPayMoney;
};
