#include "model/PreferentialWayEntity.h"

std::shared_ptr<PreferentialWayEntity> PreferentialWayEntity::initWithJSON(const foundation::Json* json)
{
    auto entity = std::make_shared<PreferentialWayEntity>();
    if (!json)
        return entity;
    entity->m_id = text(*json, "id");
    entity->m_code = text(*json, "code");
    entity->m_title = text(*json, "title");
    entity->m_type = text(*json, "type");
    entity->m_discountmoney = text(*json, "discountmoney");
    entity->m_conditionprice = text(*json, "conditionprice");
    entity->m_discountrate = text(*json, "discountrate");
    entity->m_startdate = text(*json, "startdate");
    entity->m_enddate = text(*json, "enddate");
    return entity;
}
