#pragma once

#include "model/BaseEntity.h"

#include <memory>
#include <optional>
#include <string>

// The server's price of a purchase after the member card's discount.
class MemberDiscountPriceEntity : public BaseEntity {
public:
    static std::shared_ptr<MemberDiscountPriceEntity> initWithJSON(const foundation::Json* json);
    static std::shared_ptr<MemberDiscountPriceEntity> initWithJSON(const foundation::Json& json)
    {
        return initWithJSON(&json);
    }

    const std::optional<std::string>& cardid() const { return m_cardid; }
    void setCardid(std::optional<std::string> cardid) { m_cardid = std::move(cardid); }
    const std::optional<std::string>& cardname() const { return m_cardname; }
    void setCardname(std::optional<std::string> cardname) { m_cardname = std::move(cardname); }
    const std::optional<std::string>& memberid() const { return m_memberid; }
    void setMemberid(std::optional<std::string> memberid) { m_memberid = std::move(memberid); }
    const std::optional<std::string>& discountrate() const { return m_discountrate; }
    void setDiscountrate(std::optional<std::string> discountrate)
    {
        m_discountrate = std::move(discountrate);
    }
    const std::optional<std::string>& totalprice() const { return m_totalprice; }
    void setTotalprice(std::optional<std::string> totalprice) { m_totalprice = std::move(totalprice); }
    double actualprice() const { return m_actualprice; }
    void setActualprice(double actualprice) { m_actualprice = actualprice; }

private:
    std::optional<std::string> m_cardid;
    std::optional<std::string> m_cardname;
    std::optional<std::string> m_memberid;
    std::optional<std::string> m_discountrate;
    std::optional<std::string> m_totalprice;
    double m_actualprice { 0 };
};
