#include "model/UserInfoEntity.h"

std::shared_ptr<UserInfoEntity> UserInfoEntity::initWithJSON(const foundation::Json* json)
{
    auto entity = std::make_shared<UserInfoEntity>();
    if (!json)
        return entity;
    entity->m_company = text(*json, "company");
    entity->m_shopname = text(*json, "shopname");
    entity->m_nickname = text(*json, "nickname");
    entity->m_devicename = text(*json, "devicename");
    entity->m_ali_c = text(*json, "ali_c");
    entity->m_wx_c = text(*json, "wx_c");
    entity->m_bd_c = text(*json, "bd_c");
    return entity;
}
