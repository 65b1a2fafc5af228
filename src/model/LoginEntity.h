#pragma once

#include "model/BaseEntity.h"

#include <memory>
#include <optional>
#include <string>

// The signed-in member of staff.
class LoginEntity : public BaseEntity {
public:
    static std::shared_ptr<LoginEntity> initWithJSON(const foundation::Json* json);
    static std::shared_ptr<LoginEntity> initWithJSON(const foundation::Json& json)
    {
        return initWithJSON(&json);
    }

    const std::optional<std::string>& id() const { return m_id; }
    void setId(std::optional<std::string> id) { m_id = std::move(id); }
    const std::optional<std::string>& username() const { return m_username; }
    void setUsername(std::optional<std::string> username) { m_username = std::move(username); }
    const std::optional<std::string>& truename() const { return m_truename; }
    void setTruename(std::optional<std::string> truename) { m_truename = std::move(truename); }
    const std::optional<std::string>& job() const { return m_job; }
    void setJob(std::optional<std::string> job) { m_job = std::move(job); }

private:
    std::optional<std::string> m_id;
    std::optional<std::string> m_username;
    std::optional<std::string> m_truename;
    std::optional<std::string> m_job;
};
