#pragma once

#include "model/BaseEntity.h"

#include <memory>
#include <optional>
#include <string>

// The server's price of a purchase after a coupon.
class CouponDiscountPriceEntity : public BaseEntity {
public:
    static std::shared_ptr<CouponDiscountPriceEntity> initWithJSON(const foundation::Json* json);
    static std::shared_ptr<CouponDiscountPriceEntity> initWithJSON(const foundation::Json& json)
    {
        return initWithJSON(&json);
    }

    const std::optional<std::string>& title() const { return m_title; }
    void setTitle(std::optional<std::string> title) { m_title = std::move(title); }
    const std::optional<std::string>& type() const { return m_type; }
    void setType(std::optional<std::string> type) { m_type = std::move(type); }
    const std::optional<std::string>& totalprice() const { return m_totalprice; }
    void setTotalprice(std::optional<std::string> totalprice) { m_totalprice = std::move(totalprice); }
    const std::optional<std::string>& discountrate() const { return m_discountrate; }
    void setDiscountrate(std::optional<std::string> discountrate)
    {
        m_discountrate = std::move(discountrate);
    }
    const std::optional<std::string>& conditionprice() const { return m_conditionprice; }
    void setConditionprice(std::optional<std::string> conditionprice)
    {
        m_conditionprice = std::move(conditionprice);
    }
    const std::optional<std::string>& discountmoney() const { return m_discountmoney; }
    void setDiscountmoney(std::optional<std::string> discountmoney)
    {
        m_discountmoney = std::move(discountmoney);
    }
    double actualprice() const { return m_actualprice; }
    void setActualprice(double actualprice) { m_actualprice = actualprice; }

private:
    std::optional<std::string> m_title;
    std::optional<std::string> m_type;
    std::optional<std::string> m_totalprice;
    std::optional<std::string> m_discountrate;
    std::optional<std::string> m_conditionprice;
    std::optional<std::string> m_discountmoney;
    double m_actualprice { 0 };
};
