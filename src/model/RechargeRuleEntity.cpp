#include "model/RechargeRuleEntity.h"

std::shared_ptr<RechargeRuleEntity> RechargeRuleEntity::initWithJSON(const foundation::Json* json)
{
    auto entity = std::make_shared<RechargeRuleEntity>();
    if (!json)
        return entity;
    entity->m_id = text(*json, "id");
    entity->m_title = text(*json, "title");
    entity->m_require = text(*json, "require");
    entity->m_freemoney = text(*json, "freemoney");
    entity->m_freescore = text(*json, "freescore");
    entity->m_startdate = text(*json, "startdate");
    entity->m_enddate = text(*json, "enddate");
    return entity;
}
