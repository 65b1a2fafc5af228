#pragma once

// Dates as the screens show and read them: fixed patterns in the local time
// zone (TZ, as glibc reads it) on the Gregorian calendar, with no locale
// involved. Pattern letters: y (year; "yy" two digits), M, d, H, m, s;
// doubled letters pad to two digits. Any other character, and text quoted
// with '', is literal, so "今天 HH:mm" works as written.

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

class DateFormatter {
public:
    explicit DateFormatter(std::string_view pattern);

    const std::string& pattern() const { return m_pattern; }

    // The moment, given in whole seconds since 1970-01-01 00:00:00 UTC, as
    // local wall time; "" for a moment the C library cannot represent.
    std::string stringFromDate(std::int64_t secondsSince1970) const;
    // Fractions of a second are dropped toward the earlier second. (A
    // template so that an int argument picks the integer overload.)
    template<std::floating_point F> std::string stringFromDate(F secondsSince1970) const
    {
        return stringFromSeconds(static_cast<double>(secondsSince1970));
    }

    // The seconds of local wall time written in the pattern. The whole text
    // must match; out-of-range fields (month 13, 31 April, hour 24) are
    // refused. A time inside a forward clock change is moved forward as the
    // C library does.
    std::optional<std::int64_t> dateFromString(std::string_view text) const;

    // Whether two moments fall on the same local calendar day.
    static bool isSameDay(std::int64_t first, std::int64_t second);
    // Local year, month and day of a moment (std::nullopt when it cannot be
    // represented).
    struct Day {
        int year;
        int month;
        int day;
        bool operator==(const Day&) const = default;
    };
    static std::optional<Day> localDay(std::int64_t secondsSince1970);

private:
    std::string stringFromSeconds(double secondsSince1970) const;

    enum class Field { Literal, Year, Month, Day, Hour, Minute, Second };
    struct Token {
        Field field;
        int width; // letters in the pattern
        std::string literal;
    };

    std::string m_pattern;
    std::vector<Token> m_tokens;
};

} // namespace foundation
