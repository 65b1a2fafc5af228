#include "model/CouponDiscountPriceEntity.h"

std::shared_ptr<CouponDiscountPriceEntity> CouponDiscountPriceEntity::initWithJSON(
    const foundation::Json* json)
{
    auto entity = std::make_shared<CouponDiscountPriceEntity>();
    if (!json)
        return entity;
    entity->m_title = text(*json, "title");
    entity->m_type = text(*json, "type");
    entity->m_totalprice = text(*json, "totalprice");
    entity->m_discountrate = text(*json, "discountrate");
    entity->m_conditionprice = text(*json, "conditionprice");
    entity->m_discountmoney = text(*json, "discountmoney");
    entity->m_actualprice = number(*json, "actualprice");
    return entity;
}
