#include "platform/kit/LocalNotification.h"

namespace kit {

namespace {

foundation::Json optionalText(const std::optional<std::string>& text)
{
    return text ? foundation::Json(*text) : foundation::Json(nullptr);
}

} // namespace

foundation::Json LocalNotification::encodeWithCoder() const
{
    foundation::Json archive = foundation::Json::object();
    archive["alertBody"] = optionalText(m_alertBody);
    archive["alertAction"] = optionalText(m_alertAction);
    archive["hasAction"] = m_hasAction;
    return archive;
}

std::optional<LocalNotification> LocalNotification::initWithCoder(const foundation::Json& archive)
{
    if (!archive.is_object())
        return std::nullopt;
    auto text = [&](const char* key) -> std::optional<std::string> {
        auto found = archive.find(key);
        if (found == archive.end() || !found->is_string())
            return std::nullopt;
        return found->get<std::string>();
    };
    LocalNotification notification;
    notification.m_alertBody = text("alertBody");
    notification.m_alertAction = text("alertAction");
    if (auto found = archive.find("hasAction"); found != archive.end() && found->is_boolean())
        notification.m_hasAction = found->get<bool>();
    return notification;
}

} // namespace kit
