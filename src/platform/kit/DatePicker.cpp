#include "platform/kit/DatePicker.h"

#include "platform/foundation/Clock.h"
#include "platform/kit/Touch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <utility>

namespace kit {

namespace {

// Dates beyond a few thousand years are nobody's; the limit keeps the
// calendar arithmetic inside time_t and int.
constexpr double farDate = 1e11;

int daysInMonth(int year, int month)
{
    static constexpr int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 1 && leap ? 29 : days[month];
}

int wrap(int value, int count)
{
    return ((value % count) + count) % count;
}

std::optional<std::tm> localParts(double date)
{
    auto seconds = static_cast<std::time_t>(std::floor(std::clamp(date, -farDate, farDate)));
    std::tm local {};
    if (!localtime_r(&seconds, &local))
        return std::nullopt;
    return local;
}

} // namespace

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

void DatePicker::setDatePickerMode(DatePickerMode mode)
{
    m_mode = mode;
    setNeedsDisplay();
}

void DatePicker::setLocale(std::string locale)
{
    m_locale = std::move(locale);
    setNeedsDisplay();
}

std::vector<DatePicker::Wheel> DatePicker::wheels() const
{
    switch (m_mode) {
    case DatePickerMode::Date:
        return { Wheel::Year, Wheel::Month, Wheel::Day };
    case DatePickerMode::DateAndTime:
        return { Wheel::MonthDay, Wheel::Hour, Wheel::Minute };
    case DatePickerMode::Time:
    case DatePickerMode::CountDownTimer:
        break;
    }
    return { Wheel::Hour, Wheel::Minute };
}

std::vector<graphics::Rect> DatePicker::wheelRects() const
{
    // The first wheel holds the longest text.
    auto list = wheels();
    double first = list.size() == 3 ? 0.4 : 0.5;
    double rest = list.size() > 1 ? (1 - first) / static_cast<double>(list.size() - 1) : 0;
    graphics::Rect b = bounds();
    std::vector<graphics::Rect> rects;
    double x = b.minX();
    for (std::size_t i = 0; i < list.size(); ++i) {
        double width = b.width() * (i == 0 ? first : rest);
        rects.push_back({ x, b.minY(), width, b.height() });
        x += width;
    }
    return rects;
}

std::optional<DatePicker::Wheel> DatePicker::wheelAt(const graphics::Point& point) const
{
    auto list = wheels();
    auto rects = wheelRects();
    for (std::size_t i = 0; i < rects.size(); ++i) {
        if (rects[i].contains(point))
            return list[i];
    }
    return std::nullopt;
}

double DatePicker::turned(double date, Wheel wheel, int rows)
{
    auto parts = localParts(date);
    if (!parts || rows == 0)
        return date;
    std::tm t = *parts;
    double fraction = date - std::floor(date);
    switch (wheel) {
    case Wheel::Year:
        t.tm_year += rows;
        t.tm_mday = std::min(t.tm_mday, daysInMonth(t.tm_year + 1900, t.tm_mon));
        break;
    case Wheel::Month:
        t.tm_mon = wrap(t.tm_mon + rows, 12);
        t.tm_mday = std::min(t.tm_mday, daysInMonth(t.tm_year + 1900, t.tm_mon));
        break;
    case Wheel::Day: {
        int days = daysInMonth(t.tm_year + 1900, t.tm_mon);
        t.tm_mday = wrap(t.tm_mday - 1 + rows, days) + 1;
        break;
    }
    case Wheel::MonthDay:
        // mktime carries the day over into the next or last month.
        t.tm_mday += rows;
        break;
    case Wheel::Hour:
        t.tm_hour = wrap(t.tm_hour + rows, 24);
        break;
    case Wheel::Minute:
        t.tm_min = wrap(t.tm_min + rows, 60);
        break;
    }
    t.tm_isdst = -1;
    std::time_t seconds = std::mktime(&t);
    if (seconds == static_cast<std::time_t>(-1))
        return date;
    return static_cast<double>(seconds) + fraction;
}

std::string DatePicker::wheelText(Wheel wheel, double date) const
{
    auto parts = localParts(date);
    if (!parts)
        return {};
    bool chinese = m_locale.rfind("zh", 0) == 0;
    const std::tm& t = *parts;
    char text[32] = {};
    switch (wheel) {
    case Wheel::Year:
        std::snprintf(text, sizeof text, chinese ? "%d年" : "%d", t.tm_year + 1900);
        break;
    case Wheel::Month:
        std::snprintf(text, sizeof text, chinese ? "%d月" : "%02d", t.tm_mon + 1);
        break;
    case Wheel::Day:
        std::snprintf(text, sizeof text, chinese ? "%d日" : "%02d", t.tm_mday);
        break;
    case Wheel::MonthDay:
        std::snprintf(text, sizeof text, chinese ? "%d月%d日" : "%02d-%02d", t.tm_mon + 1, t.tm_mday);
        break;
    case Wheel::Hour:
        std::snprintf(text, sizeof text, "%02d", t.tm_hour);
        break;
    case Wheel::Minute:
        std::snprintf(text, sizeof text, "%02d", t.tm_min);
        break;
    }
    return text;
}

void DatePicker::turnWheel(Wheel wheel, int rows)
{
    if (rows != 0)
        pickDate(turned(m_date, wheel, rows));
}

bool DatePicker::scrollWheel(const graphics::Point& point, double, double dy)
{
    auto wheel = wheelAt(point);
    if (!wheel || dy == 0 || !std::isfinite(dy) || !isEnabled())
        return false;
    turnWheel(*wheel, dy > 0 ? 1 : -1);
    return true;
}

void DatePicker::touchesBegan(const Touch& touch)
{
    Control::touchesBegan(touch);
    graphics::Point point = touch.locationInView(this);
    m_fingerWheel = isEnabled() ? wheelAt(point) : std::nullopt;
    m_fingerStartY = point.y;
    m_fingerRows = 0;
}

void DatePicker::touchesMoved(const Touch& touch)
{
    Control::touchesMoved(touch);
    double height = rowHeight();
    if (!m_fingerWheel || height <= 0)
        return;
    auto rows = static_cast<int>(std::trunc((m_fingerStartY - touch.locationInView(this).y) / height));
    auto wheel = *m_fingerWheel;
    turnWheel(wheel, rows - std::exchange(m_fingerRows, rows));
}

void DatePicker::touchesEnded(const Touch& touch)
{
    m_fingerWheel.reset();
    Control::touchesEnded(touch);
}

void DatePicker::touchesCancelled(const Touch& touch)
{
    m_fingerWheel.reset();
    Control::touchesCancelled(touch);
}

std::string DatePicker::displayText() const
{
    std::time_t seconds = static_cast<std::time_t>(std::clamp(m_date, -1e11, 1e11));
    std::tm local {};
    if (!localtime_r(&seconds, &local))
        return {};
    char text[32];
    const char* format = m_mode == DatePickerMode::Date ? "%Y-%m-%d"
        : m_mode == DatePickerMode::Time                ? "%H:%M"
                                                        : "%Y-%m-%d %H:%M";
    std::strftime(text, sizeof text, format, &local);
    return text;
}

} // namespace kit
