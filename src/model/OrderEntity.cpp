#include "model/OrderEntity.h"

std::shared_ptr<OrderEntity> OrderEntity::initWithJSON(const foundation::Json* json)
{
    auto entity = std::make_shared<OrderEntity>();
    if (!json)
        return entity;
    entity->m_seller_id = text(*json, "seller_id");
    entity->m_seller_account = text(*json, "seller_account");
    entity->m_refundmoney = text(*json, "refundmoney");
    entity->m_refundtime = text(*json, "refundtime");
    entity->m_reason = text(*json, "reason");
    entity->m_company = text(*json, "company");
    entity->m_nickname = text(*json, "nickname");
    entity->m_shopname = text(*json, "shopname");
    entity->m_orderid = text(*json, "orderid");
    entity->m_trade_no = text(*json, "trade_no");
    entity->m_paymoney = text(*json, "paymoney");
    entity->m_buyer_id = text(*json, "buyer_id");
    entity->m_buyer_account = text(*json, "buyer_account");
    entity->m_paytype = text(*json, "paytype");
    entity->m_addtime = text(*json, "addtime");
    entity->m_paytime = text(*json, "paytime");
    entity->m_paystatus = text(*json, "paystatus");
    entity->m_is_refund = text(*json, "is_refund");
    entity->m_payment = text(*json, "payment");
    entity->m_pryPayMoney = text(*json, "pri_paymoney");
    return entity;
}
