#pragma once

#include "model/BaseEntity.h"

#include <memory>
#include <optional>
#include <string>

// A reason offered when granting points.
class ScoreReasonEntity : public BaseEntity {
public:
    static std::shared_ptr<ScoreReasonEntity> initWithJSON(const foundation::Json* json);
    static std::shared_ptr<ScoreReasonEntity> initWithJSON(const foundation::Json& json)
    {
        return initWithJSON(&json);
    }

    const std::optional<std::string>& id() const { return m_id; }
    void setId(std::optional<std::string> id) { m_id = std::move(id); }
    const std::optional<std::string>& reason() const { return m_reason; }
    void setReason(std::optional<std::string> reason) { m_reason = std::move(reason); }

private:
    std::optional<std::string> m_id;
    std::optional<std::string> m_reason;
};
