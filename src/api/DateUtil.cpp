#include "api/DateUtil.h"

#include "platform/foundation/DateFormatter.h"

#include <string_view>

using foundation::DateFormatter;

namespace {

constexpr std::string_view kDateTimePattern = "yyyy-MM-dd HH:mm:ss";
constexpr std::string_view kDatePattern = "yyyy-MM-dd";

std::string dayBound(double date, std::string_view time)
{
    std::string text = DateFormatter(kDatePattern).stringFromDate(date);
    text += time;
    // A day the formatter cannot write gives no moment, whose seconds read as 0.
    std::int64_t seconds = DateFormatter(kDateTimePattern).dateFromString(text).value_or(0);
    // Written in full: a 32-bit "%d" would wrap for days after 2038.
    return std::to_string(seconds);
}

} // namespace

std::string DateUtil::timestampToString(std::int64_t seconds)
{
    return DateFormatter(kDateTimePattern).stringFromDate(seconds);
}

std::string DateUtil::timestampToStringDate(std::int64_t seconds)
{
    return DateFormatter(kDatePattern).stringFromDate(seconds);
}

std::string DateUtil::getDateForDayStart(double date)
{
    return dayBound(date, " 00:00:00");
}

std::string DateUtil::getDateForDayEnd(double date)
{
    return dayBound(date, " 23:59:59");
}

std::string DateUtil::getDateStr(double date)
{
    return DateFormatter(kDatePattern).stringFromDate(date);
}
