#pragma once

#include "model/BaseEntity.h"

#include <memory>
#include <optional>
#include <string>

// A platform pass that can be sent to a member.
class CouponGrantEntity : public BaseEntity {
public:
    static std::shared_ptr<CouponGrantEntity> initWithJSON(const foundation::Json* json);
    static std::shared_ptr<CouponGrantEntity> initWithJSON(const foundation::Json& json)
    {
        return initWithJSON(&json);
    }

    const std::optional<std::string>& modelid() const { return m_modelid; }
    void setModelid(std::optional<std::string> modelid) { m_modelid = std::move(modelid); }
    const std::optional<std::string>& title() const { return m_title; }
    void setTitle(std::optional<std::string> title) { m_title = std::move(title); }
    const std::optional<std::string>& type() const { return m_type; }
    void setType(std::optional<std::string> type) { m_type = std::move(type); }
    const std::optional<std::string>& discountmoney() const { return m_discountmoney; }
    void setDiscountmoney(std::optional<std::string> discountmoney)
    {
        m_discountmoney = std::move(discountmoney);
    }
    const std::optional<std::string>& conditionprice() const { return m_conditionprice; }
    void setConditionprice(std::optional<std::string> conditionprice)
    {
        m_conditionprice = std::move(conditionprice);
    }
    const std::optional<std::string>& discountrate() const { return m_discountrate; }
    void setDiscountrate(std::optional<std::string> discountrate)
    {
        m_discountrate = std::move(discountrate);
    }
    const std::optional<std::string>& startdate() const { return m_startdate; }
    void setStartdate(std::optional<std::string> startdate) { m_startdate = std::move(startdate); }
    const std::optional<std::string>& enddate() const { return m_enddate; }
    void setEnddate(std::optional<std::string> enddate) { m_enddate = std::move(enddate); }

private:
    std::optional<std::string> m_modelid;
    std::optional<std::string> m_title;
    std::optional<std::string> m_type;
    std::optional<std::string> m_discountmoney;
    std::optional<std::string> m_conditionprice;
    std::optional<std::string> m_discountrate;
    std::optional<std::string> m_startdate;
    std::optional<std::string> m_enddate;
};
