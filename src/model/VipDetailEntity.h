#pragma once

#include "model/BaseEntity.h"

#include <memory>
#include <optional>
#include <string>

// A member's full information.
class VipDetailEntity : public BaseEntity {
public:
    static std::shared_ptr<VipDetailEntity> initWithJSON(const foundation::Json* json);
    static std::shared_ptr<VipDetailEntity> initWithJSON(const foundation::Json& json)
    {
        return initWithJSON(&json);
    }

    const std::optional<std::string>& truename() const { return m_truename; }
    void setTruename(std::optional<std::string> truename) { m_truename = std::move(truename); }
    const std::optional<std::string>& tel() const { return m_tel; }
    void setTel(std::optional<std::string> tel) { m_tel = std::move(tel); }
    const std::optional<std::string>& cardnum() const { return m_cardnum; }
    void setCardnum(std::optional<std::string> cardnum) { m_cardnum = std::move(cardnum); }
    const std::optional<std::string>& status() const { return m_status; }
    void setStatus(std::optional<std::string> status) { m_status = std::move(status); }
    const std::optional<std::string>& id() const { return m_id; }
    void setId(std::optional<std::string> id) { m_id = std::move(id); }
    const std::optional<std::string>& cardname() const { return m_cardname; }
    void setCardname(std::optional<std::string> cardname) { m_cardname = std::move(cardname); }
    const std::optional<std::string>& cardid() const { return m_cardid; }
    void setCardid(std::optional<std::string> cardid) { m_cardid = std::move(cardid); }
    const std::optional<std::string>& portrait() const { return m_portrait; }
    void setPortrait(std::optional<std::string> portrait) { m_portrait = std::move(portrait); }
    const std::optional<std::string>& birthday() const { return m_birthday; }
    void setBirthday(std::optional<std::string> birthday) { m_birthday = std::move(birthday); }
    const std::optional<std::string>& score() const { return m_score; }
    void setScore(std::optional<std::string> score) { m_score = std::move(score); }
    const std::optional<std::string>& getcardtime() const { return m_getcardtime; }
    void setGetcardtime(std::optional<std::string> getcardtime) { m_getcardtime = std::move(getcardtime); }
    const std::optional<std::string>& expiredate() const { return m_expiredate; }
    void setExpiredate(std::optional<std::string> expiredate) { m_expiredate = std::move(expiredate); }
    const std::optional<std::string>& qq() const { return m_qq; }
    void setQq(std::optional<std::string> qq) { m_qq = std::move(qq); }
    const std::optional<std::string>& sex() const { return m_sex; }
    void setSex(std::optional<std::string> sex) { m_sex = std::move(sex); }
    const std::optional<std::string>& address() const { return m_address; }
    void setAddress(std::optional<std::string> address) { m_address = std::move(address); }
    const std::optional<std::string>& avail_score() const { return m_avail_score; }
    void setAvail_score(std::optional<std::string> avail_score) { m_avail_score = std::move(avail_score); }
    const std::optional<std::string>& money() const { return m_money; }
    void setMoney(std::optional<std::string> money) { m_money = std::move(money); }
    const std::optional<std::string>& freemoney() const { return m_freemoney; }
    void setFreemoney(std::optional<std::string> freemoney) { m_freemoney = std::move(freemoney); }
    const std::optional<std::string>& totalMoney() const { return m_totalMoney; }
    void setTotalMoney(std::optional<std::string> totalMoney) { m_totalMoney = std::move(totalMoney); }
    const std::optional<std::string>& level() const { return m_level; }
    void setLevel(std::optional<std::string> level) { m_level = std::move(level); }
    const std::optional<std::string>& expiredays() const { return m_expiredays; }
    void setExpiredays(std::optional<std::string> expiredays) { m_expiredays = std::move(expiredays); }
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
    const std::optional<std::string>& nopwd() const { return m_nopwd; }
    void setNopwd(std::optional<std::string> nopwd) { m_nopwd = std::move(nopwd); }
    const std::optional<std::string>& expensecount() const { return m_expensecount; }
    void setExpensecount(std::optional<std::string> expensecount)
    {
        m_expensecount = std::move(expensecount);
    }
    const std::optional<std::string>& lastexpensetime() const { return m_lastexpensetime; }
    void setLastexpensetime(std::optional<std::string> lastexpensetime)
    {
        m_lastexpensetime = std::move(lastexpensetime);
    }
    const std::optional<std::string>& refererid() const { return m_refererid; }
    void setRefererid(std::optional<std::string> refererid) { m_refererid = std::move(refererid); }
    const std::optional<std::string>& remarks() const { return m_remarks; }
    void setRemarks(std::optional<std::string> remarks) { m_remarks = std::move(remarks); }
    const std::optional<std::string>& openId() const { return m_openId; }
    void setOpenId(std::optional<std::string> openId) { m_openId = std::move(openId); }
    const std::optional<std::string>& wechatId() const { return m_wechatId; }
    void setWechatId(std::optional<std::string> wechatId) { m_wechatId = std::move(wechatId); }

private:
    std::optional<std::string> m_truename;
    std::optional<std::string> m_tel;
    std::optional<std::string> m_cardnum;
    std::optional<std::string> m_status;
    std::optional<std::string> m_id;
    std::optional<std::string> m_cardname;
    std::optional<std::string> m_cardid;
    std::optional<std::string> m_portrait;
    std::optional<std::string> m_birthday;
    std::optional<std::string> m_score;
    std::optional<std::string> m_getcardtime;
    std::optional<std::string> m_expiredate;
    std::optional<std::string> m_qq;
    std::optional<std::string> m_sex;
    std::optional<std::string> m_address;
    std::optional<std::string> m_avail_score;
    std::optional<std::string> m_money;
    std::optional<std::string> m_freemoney;
    std::optional<std::string> m_totalMoney;
    std::optional<std::string> m_level;
    std::optional<std::string> m_expiredays;
    std::optional<std::string> m_avail_times;
    std::optional<std::string> m_avail_periods;
    std::optional<std::string> m_discountrate;
    std::optional<std::string> m_nopwd;
    std::optional<std::string> m_expensecount;
    std::optional<std::string> m_lastexpensetime;
    std::optional<std::string> m_refererid;
    std::optional<std::string> m_remarks;
    std::optional<std::string> m_openId;
    std::optional<std::string> m_wechatId;
};
