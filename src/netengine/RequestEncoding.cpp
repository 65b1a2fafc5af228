#include "netengine/RequestEncoding.h"

#include "netengine/NetworkEngineAdditions.h"
#include "platform/foundation/PropertyList.h"

#include <optional>

std::string RequestEncoding::urlEncodedKeyValueString(const foundation::Json& fields)
{
    if (!fields.is_object())
        return {};
    std::string text;
    for (const auto& [key, value] : fields.items()) {
        text += NetworkEngineAdditions::ne_urlEncodedString(key);
        text += '=';
        text += value.is_string()
            ? NetworkEngineAdditions::ne_urlEncodedString(value.get_ref<const std::string&>())
            : foundation::describe(value);
        text += '&';
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

std::string RequestEncoding::jsonEncodedKeyValueString(const foundation::Json& fields)
{
    // Texts that are not valid UTF-8 cannot be JSON; they are written with
    // the replacement character rather than failing the whole body.
    return fields.dump(-1, ' ', false, foundation::Json::error_handler_t::replace);
}

std::string RequestEncoding::plistEncodedKeyValueString(const foundation::Json& fields)
{
    return foundation::PropertyList::write(fields).value_or(std::string());
}
