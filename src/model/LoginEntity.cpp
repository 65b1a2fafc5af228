#include "model/LoginEntity.h"

std::shared_ptr<LoginEntity> LoginEntity::initWithJSON(const foundation::Json* json)
{
    auto entity = std::make_shared<LoginEntity>();
    if (!json)
        return entity;
    entity->m_id = text(*json, "id");
    entity->m_username = text(*json, "username");
    entity->m_truename = text(*json, "truename");
    entity->m_job = text(*json, "job");
    return entity;
}
