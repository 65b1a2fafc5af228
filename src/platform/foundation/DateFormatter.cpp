#include "platform/foundation/DateFormatter.h"

#include <cerrno>
#include <cmath>
#include <ctime>
#include <limits>

namespace foundation {

namespace {

// Fresh TZ settings matter for tests that pin a zone with setenv; glibc's
// localtime_r does not re-read TZ on its own.
bool toLocal(std::int64_t seconds, std::tm& out)
{
    if (seconds < std::numeric_limits<std::time_t>::min()
        || seconds > std::numeric_limits<std::time_t>::max())
        return false;
    ::tzset();
    auto time = static_cast<std::time_t>(seconds);
    return ::localtime_r(&time, &out) != nullptr;
}

void appendNumber(std::string& out, long long value, int width)
{
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (value < 0)
        out += '-';
    if (static_cast<int>(digits.size()) < width)
        out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    out += digits;
}

bool isLeapYear(long long year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(long long year, int month)
{
    static constexpr int kDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

} // namespace

DateFormatter::DateFormatter(std::string_view pattern)
    : m_pattern(pattern)
{
    auto fieldOf = [](char letter) {
        switch (letter) {
        case 'y':
            return Field::Year;
        case 'M':
            return Field::Month;
        case 'd':
            return Field::Day;
        case 'H':
            return Field::Hour;
        case 'm':
            return Field::Minute;
        case 's':
            return Field::Second;
        default:
            return Field::Literal;
        }
    };
    auto appendLiteral = [&](std::string_view text) {
        if (m_tokens.empty() || m_tokens.back().field != Field::Literal)
            m_tokens.push_back({ Field::Literal, 0, {} });
        m_tokens.back().literal.append(text);
    };
    for (std::size_t i = 0; i < pattern.size();) {
        char c = pattern[i];
        if (c == '\'') {
            // '' is a quote; 'text' is literal text.
            if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                appendLiteral("'");
                i += 2;
                continue;
            }
            std::size_t close = pattern.find('\'', i + 1);
            if (close == std::string_view::npos)
                close = pattern.size();
            appendLiteral(pattern.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        Field field = fieldOf(c);
        if (field == Field::Literal) {
            appendLiteral(pattern.substr(i, 1));
            ++i;
            continue;
        }
        std::size_t run = i;
        while (run < pattern.size() && pattern[run] == c)
            ++run;
        m_tokens.push_back({ field, static_cast<int>(run - i), {} });
        i = run;
    }
}

std::string DateFormatter::stringFromDate(std::int64_t secondsSince1970) const
{
    std::tm local {};
    if (!toLocal(secondsSince1970, local))
        return {};
    std::string out;
    for (const Token& token : m_tokens) {
        switch (token.field) {
        case Field::Literal:
            out += token.literal;
            break;
        case Field::Year: {
            long long year = 1900LL + local.tm_year;
            if (token.width == 2)
                appendNumber(out, ((year % 100) + 100) % 100, 2);
            else
                appendNumber(out, year, token.width);
            break;
        }
        case Field::Month:
            appendNumber(out, local.tm_mon + 1, token.width);
            break;
        case Field::Day:
            appendNumber(out, local.tm_mday, token.width);
            break;
        case Field::Hour:
            appendNumber(out, local.tm_hour, token.width);
            break;
        case Field::Minute:
            appendNumber(out, local.tm_min, token.width);
            break;
        case Field::Second:
            appendNumber(out, local.tm_sec, token.width);
            break;
        }
    }
    return out;
}

std::string DateFormatter::stringFromSeconds(double secondsSince1970) const
{
    if (!std::isfinite(secondsSince1970) || std::fabs(secondsSince1970) > 9.2e18)
        return {};
    return stringFromDate(static_cast<std::int64_t>(std::floor(secondsSince1970)));
}

std::optional<std::int64_t> DateFormatter::dateFromString(std::string_view text) const
{
    long long year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::size_t at = 0;
    for (std::size_t k = 0; k < m_tokens.size(); ++k) {
        const Token& token = m_tokens[k];
        if (token.field == Field::Literal) {
            if (text.substr(at, token.literal.size()) != token.literal)
                return std::nullopt;
            at += token.literal.size();
            continue;
        }
        // A field followed directly by another field has a fixed width, so
        // that "yyyyMMdd" splits; otherwise it takes the digits there are.
        bool adjacent = k + 1 < m_tokens.size() && m_tokens[k + 1].field != Field::Literal;
        std::size_t maxDigits = adjacent ? static_cast<std::size_t>(token.width) : 9;
        std::size_t start = at;
        long long value = 0;
        while (at < text.size() && at - start < maxDigits && text[at] >= '0' && text[at] <= '9')
            value = value * 10 + (text[at++] - '0');
        if (at == start)
            return std::nullopt;
        switch (token.field) {
        case Field::Year:
            year = token.width == 2 && at - start <= 2 ? 2000 + value : value;
            break;
        case Field::Month:
            month = static_cast<int>(value);
            break;
        case Field::Day:
            day = static_cast<int>(value);
            break;
        case Field::Hour:
            hour = static_cast<int>(value);
            break;
        case Field::Minute:
            minute = static_cast<int>(value);
            break;
        case Field::Second:
            second = static_cast<int>(value);
            break;
        case Field::Literal:
            break;
        }
    }
    if (at != text.size())
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59
        || second > 59)
        return std::nullopt;

    std::tm local {};
    local.tm_year = static_cast<int>(year - 1900);
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1; // let the zone's rules decide
    // mktime's error value is also a valid moment (one second before 1970
    // UTC), so only errno tells a failure apart.
    errno = 0;
    std::time_t seconds = ::mktime(&local);
    if (seconds == static_cast<std::time_t>(-1) && errno != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(seconds);
}

bool DateFormatter::isSameDay(std::int64_t first, std::int64_t second)
{
    auto a = localDay(first);
    auto b = localDay(second);
    return a && b && *a == *b;
}

std::optional<DateFormatter::Day> DateFormatter::localDay(std::int64_t secondsSince1970)
{
    std::tm local {};
    if (!toLocal(secondsSince1970, local))
        return std::nullopt;
    return Day { local.tm_year + 1900, local.tm_mon + 1, local.tm_mday };
}

} // namespace foundation
