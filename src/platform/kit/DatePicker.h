#pragma once

#include "platform/kit/Control.h"

#include <optional>
#include <string>
#include <vector>

namespace kit {

enum class DatePickerMode { Time = 0, Date = 1, DateAndTime = 2, CountDownTimer = 3 };

// A date chooser. Dates are seconds since 1970 (UTC), shown in local time.
// Choosing a date the way a finger does (pickDate, or turning a wheel)
// sends value-changed; setting it from code does not.
//
// It shows one wheel a part of the date, side by side, with the values
// around the chosen one above and below. A finger dragged up or down over
// a wheel turns it a row for each row height it moves (up for later
// values), and so does each step of the mouse wheel over it.
class DatePicker : public Control {
public:
    // The wheels, left to right by mode: Date has year, month and day; Time
    // and CountDownTimer hour and minute; DateAndTime the day (across
    // months), hour and minute. Year, month and day wheels turn within
    // their field (the 31st goes on to the 1st of the same month); the day
    // is cut to the month's length when year or month change.
    enum class Wheel { Year, Month, Day, MonthDay, Hour, Minute };
    // Rows shown on a wheel, the chosen one in the middle.
    static constexpr int visibleRows = 5;

    DatePicker();
    explicit DatePicker(const graphics::Rect& frame);

    double date() const { return m_date; }
    void setDate(double date, bool animated = false);
    // The finger's way: clamps to the limits and sends value-changed when
    // the date moved.
    void pickDate(double date);
    // The date it is on, in local time, for a transcript: "2026-12-07" in
    // date mode, "09:30" in time mode, both otherwise.
    std::string displayText() const;

    DatePickerMode datePickerMode() const { return m_mode; }
    void setDatePickerMode(DatePickerMode mode);
    // A locale identifier such as "zh_Hans_CN"; "zh" ones label the wheels
    // in Chinese (年, 月, 日).
    const std::string& locale() const { return m_locale; }
    void setLocale(std::string locale);
    std::optional<double> minimumDate() const { return m_minimumDate; }
    void setMinimumDate(std::optional<double> date) { m_minimumDate = date; }
    std::optional<double> maximumDate() const { return m_maximumDate; }
    void setMaximumDate(std::optional<double> date) { m_maximumDate = date; }

    std::vector<Wheel> wheels() const;
    // The horizontal extent of each wheel in the bounds, in wheels() order.
    std::vector<graphics::Rect> wheelRects() const;
    // The wheel under a point of the bounds, if any.
    std::optional<Wheel> wheelAt(const graphics::Point& point) const;
    // `date` with one wheel turned by `rows` (negative: back), unclamped.
    static double turned(double date, Wheel wheel, int rows);
    // What a wheel shows for a date.
    std::string wheelText(Wheel wheel, double date) const;
    // Turns a wheel as a finger does.
    void turnWheel(Wheel wheel, int rows);
    double rowHeight() const { return bounds().height() / visibleRows; }

    bool handlesOwnDrag(bool vertical) const override { return vertical; }
    bool scrollWheel(const graphics::Point& point, double dx, double dy) override;
    void touchesBegan(const Touch& touch) override;
    void touchesMoved(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void touchesCancelled(const Touch& touch) override;

private:
    double clamped(double date) const;

    double m_date = 0;
    DatePickerMode m_mode = DatePickerMode::DateAndTime;
    std::string m_locale;
    std::optional<double> m_minimumDate;
    std::optional<double> m_maximumDate;
    // The finger on a wheel: where it went down and the rows turned since.
    std::optional<Wheel> m_fingerWheel;
    double m_fingerStartY = 0;
    int m_fingerRows = 0;
};

} // namespace kit
