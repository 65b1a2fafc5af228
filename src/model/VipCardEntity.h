#pragma once

#include "model/BaseEntity.h"
#include "model/VipListEntity.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// A membership card of the card list; its members are filled in by the members screen.
class VipCardEntity : public BaseEntity {
public:
    static std::shared_ptr<VipCardEntity> initWithJSON(const foundation::Json* json);
    static std::shared_ptr<VipCardEntity> initWithJSON(const foundation::Json& json)
    {
        return initWithJSON(&json);
    }

    const std::optional<std::string>& id() const { return m_id; }
    void setId(std::optional<std::string> id) { m_id = std::move(id); }
    const std::optional<std::string>& cardtype() const { return m_cardtype; }
    void setCardtype(std::optional<std::string> cardtype) { m_cardtype = std::move(cardtype); }
    const std::optional<std::string>& cardid() const { return m_cardid; }
    void setCardid(std::optional<std::string> cardid) { m_cardid = std::move(cardid); }
    const std::optional<std::string>& cardname() const { return m_cardname; }
    void setCardname(std::optional<std::string> cardname) { m_cardname = std::move(cardname); }
    const std::optional<std::string>& level() const { return m_level; }
    void setLevel(std::optional<std::string> level) { m_level = std::move(level); }
    const std::optional<std::string>& discountrate() const { return m_discountrate; }
    void setDiscountrate(std::optional<std::string> discountrate)
    {
        m_discountrate = std::move(discountrate);
    }
    const std::optional<std::string>& expiredays() const { return m_expiredays; }
    void setExpiredays(std::optional<std::string> expiredays) { m_expiredays = std::move(expiredays); }
    const std::optional<std::string>& expiredate() const { return m_expiredate; }
    void setExpiredate(std::optional<std::string> expiredate) { m_expiredate = std::move(expiredate); }
    const std::optional<std::string>& avail_times() const { return m_avail_times; }
    void setAvail_times(std::optional<std::string> avail_times) { m_avail_times = std::move(avail_times); }
    const std::optional<std::string>& avail_periods() const { return m_avail_periods; }
    void setAvail_periods(std::optional<std::string> avail_periods)
    {
        m_avail_periods = std::move(avail_periods);
    }
    // The card's members, filled in by the members screen; never read from JSON.
    std::vector<std::shared_ptr<VipListEntity>>& vipArray() { return m_vipArray; }
    const std::vector<std::shared_ptr<VipListEntity>>& vipArray() const { return m_vipArray; }
    void setVipArray(std::vector<std::shared_ptr<VipListEntity>> vipArray)
    {
        m_vipArray = std::move(vipArray);
    }

private:
    std::optional<std::string> m_id;
    std::optional<std::string> m_cardtype;
    std::optional<std::string> m_cardid;
    std::optional<std::string> m_cardname;
    std::optional<std::string> m_level;
    std::optional<std::string> m_discountrate;
    std::optional<std::string> m_expiredays;
    std::optional<std::string> m_expiredate;
    std::optional<std::string> m_avail_times;
    std::optional<std::string> m_avail_periods;
    std::vector<std::shared_ptr<VipListEntity>> m_vipArray;
};
