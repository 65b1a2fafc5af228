#pragma once

#include "model/BaseEntity.h"

#include <memory>
#include <optional>
#include <string>

// The shop information read after sign-in; the "_c" flags are "1" when a wallet is enabled.
class UserInfoEntity : public BaseEntity {
public:
    static std::shared_ptr<UserInfoEntity> initWithJSON(const foundation::Json* json);
    static std::shared_ptr<UserInfoEntity> initWithJSON(const foundation::Json& json)
    {
        return initWithJSON(&json);
    }

    const std::optional<std::string>& company() const { return m_company; }
    void setCompany(std::optional<std::string> company) { m_company = std::move(company); }
    const std::optional<std::string>& shopname() const { return m_shopname; }
    void setShopname(std::optional<std::string> shopname) { m_shopname = std::move(shopname); }
    const std::optional<std::string>& nickname() const { return m_nickname; }
    void setNickname(std::optional<std::string> nickname) { m_nickname = std::move(nickname); }
    const std::optional<std::string>& devicename() const { return m_devicename; }
    void setDevicename(std::optional<std::string> devicename) { m_devicename = std::move(devicename); }
    const std::optional<std::string>& ali_c() const { return m_ali_c; }
    void setAli_c(std::optional<std::string> ali_c) { m_ali_c = std::move(ali_c); }
    const std::optional<std::string>& wx_c() const { return m_wx_c; }
    void setWx_c(std::optional<std::string> wx_c) { m_wx_c = std::move(wx_c); }
    const std::optional<std::string>& bd_c() const { return m_bd_c; }
    void setBd_c(std::optional<std::string> bd_c) { m_bd_c = std::move(bd_c); }

private:
    std::optional<std::string> m_company;
    std::optional<std::string> m_shopname;
    std::optional<std::string> m_nickname;
    std::optional<std::string> m_devicename;
    std::optional<std::string> m_ali_c;
    std::optional<std::string> m_wx_c;
    std::optional<std::string> m_bd_c;
};
