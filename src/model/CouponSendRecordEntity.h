#pragma once

#include "model/BaseEntity.h"

#include <memory>
#include <optional>
#include <string>

// A record of a pass sent to a member.
class CouponSendRecordEntity : public BaseEntity {
public:
    static std::shared_ptr<CouponSendRecordEntity> initWithJSON(const foundation::Json* json);
    static std::shared_ptr<CouponSendRecordEntity> initWithJSON(const foundation::Json& json)
    {
        return initWithJSON(&json);
    }

    const std::optional<std::string>& id() const { return m_id; }
    void setId(std::optional<std::string> id) { m_id = std::move(id); }
    const std::optional<std::string>& vcode() const { return m_vcode; }
    void setVcode(std::optional<std::string> vcode) { m_vcode = std::move(vcode); }
    const std::optional<std::string>& title() const { return m_title; }
    void setTitle(std::optional<std::string> title) { m_title = std::move(title); }
    const std::optional<std::string>& cardnum() const { return m_cardnum; }
    void setCardnum(std::optional<std::string> cardnum) { m_cardnum = std::move(cardnum); }
    const std::optional<std::string>& cardname() const { return m_cardname; }
    void setCardname(std::optional<std::string> cardname) { m_cardname = std::move(cardname); }
    const std::optional<std::string>& level() const { return m_level; }
    void setLevel(std::optional<std::string> level) { m_level = std::move(level); }
    const std::optional<std::string>& truename() const { return m_truename; }
    void setTruename(std::optional<std::string> truename) { m_truename = std::move(truename); }
    const std::optional<std::string>& tel() const { return m_tel; }
    void setTel(std::optional<std::string> tel) { m_tel = std::move(tel); }
    const std::optional<std::string>& usetime() const { return m_usetime; }
    void setUsetime(std::optional<std::string> usetime) { m_usetime = std::move(usetime); }
    const std::optional<std::string>& gettime() const { return m_gettime; }
    void setGettime(std::optional<std::string> gettime) { m_gettime = std::move(gettime); }
    const std::optional<std::string>& startdate() const { return m_startdate; }
    void setStartdate(std::optional<std::string> startdate) { m_startdate = std::move(startdate); }
    const std::optional<std::string>& enddate() const { return m_enddate; }
    void setEnddate(std::optional<std::string> enddate) { m_enddate = std::move(enddate); }
    const std::optional<std::string>& status() const { return m_status; }
    void setStatus(std::optional<std::string> status) { m_status = std::move(status); }

private:
    std::optional<std::string> m_id;
    std::optional<std::string> m_vcode;
    std::optional<std::string> m_title;
    std::optional<std::string> m_cardnum;
    std::optional<std::string> m_cardname;
    std::optional<std::string> m_level;
    std::optional<std::string> m_truename;
    std::optional<std::string> m_tel;
    std::optional<std::string> m_usetime;
    std::optional<std::string> m_gettime;
    std::optional<std::string> m_startdate;
    std::optional<std::string> m_enddate;
    std::optional<std::string> m_status;
};
