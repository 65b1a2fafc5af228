#include "api/JsonUtil.h"

std::optional<foundation::Json> JsonUtil::getJSONObject(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    return foundation::parseJsonObject(*text);
}

bool JsonUtil::isSuccess(const std::optional<foundation::Json>& reply)
{
    return foundation::optionalText(reply, "status") == "1";
}

std::optional<std::string> JsonUtil::info(const std::optional<foundation::Json>& reply)
{
    return foundation::optionalText(reply, "info");
}

const foundation::Json& JsonUtil::data(const std::optional<foundation::Json>& reply)
{
    return foundation::valueForKey(reply, "data");
}
