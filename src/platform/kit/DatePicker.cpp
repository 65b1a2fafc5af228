#include "platform/kit/DatePicker.h"

#include "platform/foundation/Clock.h"

#include <cmath>

namespace kit {

// A new picker shows the present moment, as on the phone.
DatePicker::DatePicker()
    : m_date(foundation::Clock::current()->now())
{
}

DatePicker::DatePicker(const graphics::Rect& frame)
    : Control(frame)
    , m_date(foundation::Clock::current()->now())
{
}

double DatePicker::clamped(double date) const
{
    if (m_minimumDate && date < *m_minimumDate)
        return *m_minimumDate;
    if (m_maximumDate && date > *m_maximumDate)
        return *m_maximumDate;
    return date;
}

void DatePicker::setDate(double date, bool)
{
    if (!std::isfinite(date))
        return;
    m_date = clamped(date);
    setNeedsDisplay();
}

void DatePicker::pickDate(double date)
{
    if (!std::isfinite(date) || !isEnabled())
        return;
    double picked = clamped(date);
    if (picked == m_date)
        return;
    m_date = picked;
    setNeedsDisplay();
    sendActionsForControlEvents(ControlEvent::ValueChanged);
}

} // namespace kit
