#include "model/ScoreReasonEntity.h"

std::shared_ptr<ScoreReasonEntity> ScoreReasonEntity::initWithJSON(const foundation::Json* json)
{
    auto entity = std::make_shared<ScoreReasonEntity>();
    if (!json)
        return entity;
    entity->m_id = text(*json, "id");
    entity->m_reason = text(*json, "reason");
    return entity;
}
