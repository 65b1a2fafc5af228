#include "model/MemberDiscountPriceEntity.h"

std::shared_ptr<MemberDiscountPriceEntity> MemberDiscountPriceEntity::initWithJSON(
    const foundation::Json* json)
{
    auto entity = std::make_shared<MemberDiscountPriceEntity>();
    if (!json)
        return entity;
    entity->m_cardid = text(*json, "cardid");
    entity->m_cardname = text(*json, "cardname");
    entity->m_memberid = numberOrText(*json, "memberid");
    entity->m_discountrate = text(*json, "discountrate");
    entity->m_totalprice = text(*json, "totalprice");
    entity->m_actualprice = number(*json, "actualprice");
    return entity;
}
