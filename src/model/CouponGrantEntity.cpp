#include "model/CouponGrantEntity.h"

std::shared_ptr<CouponGrantEntity> CouponGrantEntity::initWithJSON(const foundation::Json* json)
{
    auto entity = std::make_shared<CouponGrantEntity>();
    if (!json)
        return entity;
    entity->m_modelid = text(*json, "modelid");
    entity->m_title = text(*json, "title");
    entity->m_type = text(*json, "type");
    entity->m_discountmoney = text(*json, "discountmoney");
    entity->m_conditionprice = text(*json, "conditionprice");
    entity->m_discountrate = text(*json, "discountrate");
    entity->m_startdate = text(*json, "startdate");
    entity->m_enddate = text(*json, "enddate");
    return entity;
}
