#include "model/CouponSendRecordEntity.h"

std::shared_ptr<CouponSendRecordEntity> CouponSendRecordEntity::initWithJSON(const foundation::Json* json)
{
    auto entity = std::make_shared<CouponSendRecordEntity>();
    if (!json)
        return entity;
    entity->m_id = text(*json, "id");
    entity->m_vcode = text(*json, "vcode");
    entity->m_title = text(*json, "title");
    entity->m_cardnum = text(*json, "cardnum");
    entity->m_cardname = text(*json, "cardname");
    entity->m_level = text(*json, "level");
    entity->m_truename = text(*json, "truename");
    entity->m_tel = text(*json, "tel");
    entity->m_usetime = text(*json, "usetime");
    entity->m_gettime = text(*json, "gettime");
    entity->m_startdate = text(*json, "startdate");
    entity->m_enddate = text(*json, "enddate");
    entity->m_status = text(*json, "status");
    return entity;
}
