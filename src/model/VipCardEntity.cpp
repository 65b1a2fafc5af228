#include "model/VipCardEntity.h"

std::shared_ptr<VipCardEntity> VipCardEntity::initWithJSON(const foundation::Json* json)
{
    auto entity = std::make_shared<VipCardEntity>();
    if (!json)
        return entity;
    entity->m_id = text(*json, "id");
    entity->m_cardtype = text(*json, "cardtype");
    entity->m_cardid = text(*json, "cardid");
    entity->m_cardname = text(*json, "cardname");
    entity->m_level = text(*json, "level");
    entity->m_discountrate = text(*json, "discountrate");
    entity->m_expiredays = text(*json, "expiredays");
    entity->m_expiredate = text(*json, "expiredate");
    entity->m_avail_times = text(*json, "avail_times");
    entity->m_avail_periods = text(*json, "avail_periods");
    return entity;
}
