#include "members/VipListPage.h"

#include "model/VipListEntity.h"

std::vector<std::shared_ptr<VipListEntity>> VipListPage::rows(const foundation::Json& data)
{
    std::vector<std::shared_ptr<VipListEntity>> members;
    const auto& list = foundation::valueForKey(data, "list");
    if (!list.is_array())
        return members;
    for (const auto& item : list)
        members.push_back(VipListEntity::initWithJSON(item));
    return members;
}

int VipListPage::count(const foundation::Json& data)
{
    return foundation::intValue(foundation::valueForKey(data, "count"));
}
