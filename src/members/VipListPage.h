#pragma once

#include "platform/foundation/Json.h"

#include <memory>
#include <vector>

class VipListEntity;

// One page of members from a member list reply's `data`.
class VipListPage {
public:
    // The members of "list", in order; none when it is absent or no list.
    static std::vector<std::shared_ptr<VipListEntity>> rows(const foundation::Json& data);
    // "count", the number of matches the server reports.
    static int count(const foundation::Json& data);
    static constexpr const char* pageSize = "10";
};
