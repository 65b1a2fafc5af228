#pragma once

#include "platform/foundation/Json.h"

#include <optional>
#include <string>

namespace kit {

// A notice the application puts in front of the user outside its window,
// through the desktop's notification service (Application::
// presentLocalNotificationNow). The body is the message; the action names
// what answering it does.
class LocalNotification {
public:
    const std::optional<std::string>& alertBody() const { return m_alertBody; }
    void setAlertBody(std::optional<std::string> body) { m_alertBody = std::move(body); }
    const std::optional<std::string>& alertAction() const { return m_alertAction; }
    void setAlertAction(std::optional<std::string> action) { m_alertAction = std::move(action); }
    // Without an action the notice only tells.
    bool hasAction() const { return m_hasAction; }
    void setHasAction(bool hasAction) { m_hasAction = hasAction; }

    // {"alertBody": text or null, "alertAction": text or null, "hasAction": bool}
    foundation::Json encodeWithCoder() const;
    // Nothing for a value that is not such an object; a field of the wrong
    // kind reads as absent.
    static std::optional<LocalNotification> initWithCoder(const foundation::Json& archive);

    bool operator==(const LocalNotification&) const = default;

private:
    std::optional<std::string> m_alertBody;
    std::optional<std::string> m_alertAction;
    bool m_hasAction { true };
};

} // namespace kit
