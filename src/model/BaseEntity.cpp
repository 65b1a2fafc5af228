#include "model/BaseEntity.h"

#include "api/URLConfig.h"

std::shared_ptr<BaseEntity> BaseEntity::initWithJSON(const foundation::Json*)
{
    return std::make_shared<BaseEntity>();
}

std::optional<std::string> BaseEntity::text(const foundation::Json& object, std::string_view key)
{
    return foundation::optionalText(object, key);
}

std::optional<std::string> BaseEntity::numberOrText(const foundation::Json& object, std::string_view key)
{
    auto const& value = foundation::valueForKey(object, key);
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_number() || value.is_boolean())
        return foundation::describe(value);
    return std::nullopt;
}

double BaseEntity::number(const foundation::Json& object, std::string_view key)
{
    return foundation::doubleValue(foundation::valueForKey(object, key));
}

std::optional<std::string> BaseEntity::portraitURL(std::optional<std::string> portrait)
{
    if (portrait && portrait->starts_with("/images"))
        return URLConfig::webBase() + *portrait;
    return portrait;
}
