#include "model/VipListEntity.h"

std::shared_ptr<VipListEntity> VipListEntity::initWithJSON(const foundation::Json* json)
{
    auto entity = std::make_shared<VipListEntity>();
    if (!json)
        return entity;
    entity->m_tel = text(*json, "tel");
    entity->m_cardnum = text(*json, "cardnum");
    entity->m_status = text(*json, "status");
    entity->m_id = text(*json, "id");
    entity->m_truename = text(*json, "truename");
    entity->m_cardid = text(*json, "cardid");
    entity->m_cardname = text(*json, "cardname");
    entity->m_portrait = portraitURL(text(*json, "portrait"));
    entity->m_avail_score = text(*json, "avail_score");
    entity->m_money = text(*json, "money");
    entity->m_freemoney = text(*json, "freemoney");
    entity->m_cardtype = text(*json, "cardtype");
    entity->m_level = text(*json, "level");
    entity->m_expiredays = text(*json, "expiredays");
    entity->m_expiredate = text(*json, "expiredate");
    entity->m_avail_times = text(*json, "avail_times");
    entity->m_avail_periods = text(*json, "avail_periods");
    entity->m_discountrate = text(*json, "discountrate");
    return entity;
}
