#include "api/StatusToStringUtils.h"

std::optional<std::string> StatusToStringUtils::getVipStatusString(int status)
{
    switch (status) {
    case -3:
        return "过期";
    case -2:
        return "待审核";
    case -1:
        return "删除";
    case 0:
        return "锁定";
    case 1:
        return "正常";
    default:
        return std::nullopt;
    }
}
