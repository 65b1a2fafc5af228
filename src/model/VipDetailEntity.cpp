#include "model/VipDetailEntity.h"

#include "platform/foundation/Strings.h"

std::shared_ptr<VipDetailEntity> VipDetailEntity::initWithJSON(const foundation::Json* json)
{
    auto entity = std::make_shared<VipDetailEntity>();
    if (!json)
        return entity;
    entity->m_truename = text(*json, "truename");
    entity->m_tel = text(*json, "tel");
    entity->m_cardnum = text(*json, "cardnum");
    entity->m_status = text(*json, "status");
    entity->m_id = text(*json, "id");
    entity->m_cardname = text(*json, "cardname");
    entity->m_cardid = text(*json, "cardid");
    entity->m_portrait = portraitURL(text(*json, "portrait"));
    entity->m_birthday = text(*json, "birthday");
    entity->m_score = text(*json, "score");
    entity->m_getcardtime = text(*json, "getcardtime");
    entity->m_expiredate = text(*json, "expiredate");
    entity->m_qq = text(*json, "qq");
    entity->m_sex = text(*json, "sex");
    entity->m_address = text(*json, "address");
    entity->m_avail_score = text(*json, "avail_score");
    entity->m_money = text(*json, "money");
    entity->m_freemoney = text(*json, "freemoney");
    entity->m_level = text(*json, "level");
    entity->m_expiredays = text(*json, "expiredays");
    entity->m_avail_times = text(*json, "avail_times");
    entity->m_avail_periods = text(*json, "avail_periods");
    entity->m_discountrate = text(*json, "discountrate");
    entity->m_nopwd = text(*json, "nopwd");
    entity->m_expensecount = text(*json, "expensecount");
    entity->m_lastexpensetime = text(*json, "lastexpensetime");
    entity->m_refererid = text(*json, "refererid");
    entity->m_remarks = text(*json, "remarks");
    entity->m_openId = text(*json, "open_id");
    entity->m_wechatId = text(*json, "wecha_id");
    // The total adds the already rounded bonus, so the two figures shown
    // beside each other always add up.
    if (entity->m_freemoney && !entity->m_freemoney->empty()) {
        entity->m_freemoney = foundation::formatFixed(foundation::doubleValue(entity->m_freemoney), 2);
        entity->m_totalMoney = foundation::formatFixed(
            foundation::doubleValue(entity->m_money) + foundation::doubleValue(entity->m_freemoney), 2);
    } else {
        entity->m_totalMoney = entity->m_money;
    }
    return entity;
}
