#include "platform/kit/Keyboard.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Screen.h"

#include <cmath>

namespace kit {

Keyboard& Keyboard::shared()
{
    static Keyboard keyboard;
    return keyboard;
}

graphics::Rect Keyboard::frame() const
{
    graphics::Rect screen = Screen::mainScreen().bounds();
    return { 0, screen.height() - m_height, screen.width(), m_height };
}

void Keyboard::setHeight(double height)
{
    if (std::isfinite(height) && height >= 0)
        m_height = height;
}

void Keyboard::textInputDidTakeFocus(bool gotFocus)
{
    if (m_takingOver > 0)
        --m_takingOver;
    bool resignedMeanwhile = std::exchange(m_resignDuringTakeOver, false);
    if (gotFocus)
        return;
    // The old input let go but the new one did not take over: nobody types now.
    if (resignedMeanwhile && m_visible) {
        m_visible = false;
        post(willHideNotification);
    }
}

void Keyboard::textInputDidBeginEditing()
{
    if (m_visible)
        return;
    m_visible = true;
    post(willShowNotification);
}

void Keyboard::textInputDidResign()
{
    if (m_takingOver > 0) {
        m_resignDuringTakeOver = true;
        return;
    }
    if (!m_visible)
        return;
    m_visible = false;
    post(willHideNotification);
}

void Keyboard::reset()
{
    m_visible = false;
    m_height = defaultHeight;
    m_takingOver = 0;
    m_resignDuringTakeOver = false;
}

void Keyboard::post(const char* name)
{
    graphics::Rect end = frame();
    nlohmann::ordered_json info = nlohmann::ordered_json::object();
    info[frameEndUserInfoKey]
        = { { "x", end.x() }, { "y", end.y() }, { "width", end.width() }, { "height", end.height() } };
    foundation::NotificationCenter::defaultCenter().postNotificationName(name, nullptr, std::move(info));
}

} // namespace kit
