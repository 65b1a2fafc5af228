#pragma once

#include "model/BaseEntity.h"

#include <memory>
#include <optional>
#include <string>

// A recharge rule: paying "require" or more adds "freemoney" and "freescore".
class RechargeRuleEntity : public BaseEntity {
public:
    static std::shared_ptr<RechargeRuleEntity> initWithJSON(const foundation::Json* json);
    static std::shared_ptr<RechargeRuleEntity> initWithJSON(const foundation::Json& json)
    {
        return initWithJSON(&json);
    }

    const std::optional<std::string>& id() const { return m_id; }
    void setId(std::optional<std::string> id) { m_id = std::move(id); }
    const std::optional<std::string>& title() const { return m_title; }
    void setTitle(std::optional<std::string> title) { m_title = std::move(title); }
    const std::optional<std::string>& require() const { return m_require; }
    void setRequire(std::optional<std::string> require) { m_require = std::move(require); }
    const std::optional<std::string>& freemoney() const { return m_freemoney; }
    void setFreemoney(std::optional<std::string> freemoney) { m_freemoney = std::move(freemoney); }
    const std::optional<std::string>& freescore() const { return m_freescore; }
    void setFreescore(std::optional<std::string> freescore) { m_freescore = std::move(freescore); }
    const std::optional<std::string>& startdate() const { return m_startdate; }
    void setStartdate(std::optional<std::string> startdate) { m_startdate = std::move(startdate); }
    const std::optional<std::string>& enddate() const { return m_enddate; }
    void setEnddate(std::optional<std::string> enddate) { m_enddate = std::move(enddate); }

private:
    std::optional<std::string> m_id;
    std::optional<std::string> m_title;
    std::optional<std::string> m_require;
    std::optional<std::string> m_freemoney;
    std::optional<std::string> m_freescore;
    std::optional<std::string> m_startdate;
    std::optional<std::string> m_enddate;
};
