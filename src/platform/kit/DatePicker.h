#pragma once

#include "platform/kit/Control.h"

#include <optional>
#include <string>

namespace kit {

enum class DatePickerMode { Time = 0, Date = 1, DateAndTime = 2, CountDownTimer = 3 };

// A date chooser. Dates are seconds since 1970 (UTC). Choosing a date the way
// a finger does (pickDate) sends value-changed; setting it from code does not.
class DatePicker : public Control {
public:
    DatePicker();
    explicit DatePicker(const graphics::Rect& frame);

    double date() const { return m_date; }
    void setDate(double date, bool animated = false);
    // The finger's way: clamps to the limits and sends value-changed when
    // the date moved.
    void pickDate(double date);

    DatePickerMode datePickerMode() const { return m_mode; }
    void setDatePickerMode(DatePickerMode mode) { m_mode = mode; }
    // A locale identifier such as "zh_Hans_CN"; display only.
    const std::string& locale() const { return m_locale; }
    void setLocale(std::string locale) { m_locale = std::move(locale); }
    std::optional<double> minimumDate() const { return m_minimumDate; }
    void setMinimumDate(std::optional<double> date) { m_minimumDate = date; }
    std::optional<double> maximumDate() const { return m_maximumDate; }
    void setMaximumDate(std::optional<double> date) { m_maximumDate = date; }

private:
    double clamped(double date) const;

    double m_date = 0;
    DatePickerMode m_mode = DatePickerMode::DateAndTime;
    std::string m_locale;
    std::optional<double> m_minimumDate;
    std::optional<double> m_maximumDate;
};

} // namespace kit
