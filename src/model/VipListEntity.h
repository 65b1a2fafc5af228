#pragma once

#include "model/BaseEntity.h"

#include <memory>
#include <optional>
#include <string>

// One member of a member list.
class VipListEntity : public BaseEntity {
public:
    static std::shared_ptr<VipListEntity> initWithJSON(const foundation::Json* json);
    static std::shared_ptr<VipListEntity> initWithJSON(const foundation::Json& json)
    {
        return initWithJSON(&json);
    }

    const std::optional<std::string>& tel() const { return m_tel; }
    void setTel(std::optional<std::string> tel) { m_tel = std::move(tel); }
    const std::optional<std::string>& cardnum() const { return m_cardnum; }
    void setCardnum(std::optional<std::string> cardnum) { m_cardnum = std::move(cardnum); }
    const std::optional<std::string>& status() const { return m_status; }
    void setStatus(std::optional<std::string> status) { m_status = std::move(status); }
    const std::optional<std::string>& id() const { return m_id; }
    void setId(std::optional<std::string> id) { m_id = std::move(id); }
    const std::optional<std::string>& truename() const { return m_truename; }
    void setTruename(std::optional<std::string> truename) { m_truename = std::move(truename); }
    const std::optional<std::string>& cardid() const { return m_cardid; }
    void setCardid(std::optional<std::string> cardid) { m_cardid = std::move(cardid); }
    const std::optional<std::string>& cardname() const { return m_cardname; }
    void setCardname(std::optional<std::string> cardname) { m_cardname = std::move(cardname); }
    const std::optional<std::string>& portrait() const { return m_portrait; }
    void setPortrait(std::optional<std::string> portrait) { m_portrait = std::move(portrait); }
    const std::optional<std::string>& avail_score() const { return m_avail_score; }
    void setAvail_score(std::optional<std::string> avail_score) { m_avail_score = std::move(avail_score); }
    const std::optional<std::string>& money() const { return m_money; }
    void setMoney(std::optional<std::string> money) { m_money = std::move(money); }
    const std::optional<std::string>& freemoney() const { return m_freemoney; }
    void setFreemoney(std::optional<std::string> freemoney) { m_freemoney = std::move(freemoney); }
    const std::optional<std::string>& cardtype() const { return m_cardtype; }
    void setCardtype(std::optional<std::string> cardtype) { m_cardtype = std::move(cardtype); }
    const std::optional<std::string>& level() const { return m_level; }
    void setLevel(std::optional<std::string> level) { m_level = std::move(level); }
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
    const std::optional<std::string>& discountrate() const { return m_discountrate; }
    void setDiscountrate(std::optional<std::string> discountrate)
    {
        m_discountrate = std::move(discountrate);
    }

private:
    std::optional<std::string> m_tel;
    std::optional<std::string> m_cardnum;
    std::optional<std::string> m_status;
    std::optional<std::string> m_id;
    std::optional<std::string> m_truename;
    std::optional<std::string> m_cardid;
    std::optional<std::string> m_cardname;
    std::optional<std::string> m_portrait;
    std::optional<std::string> m_avail_score;
    std::optional<std::string> m_money;
    std::optional<std::string> m_freemoney;
    std::optional<std::string> m_cardtype;
    std::optional<std::string> m_level;
    std::optional<std::string> m_expiredays;
    std::optional<std::string> m_expiredate;
    std::optional<std::string> m_avail_times;
    std::optional<std::string> m_avail_periods;
    std::optional<std::string> m_discountrate;
};
