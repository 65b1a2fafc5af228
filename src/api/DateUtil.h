#pragma once

#include <cstdint>
#include <string>

// Server times (whole Unix seconds) and calendar days as the screens show and
// send them, in the device's time zone. A date is seconds since 1970 (UTC).
class DateUtil {
public:
    // "yyyy-MM-dd HH:mm:ss"
    static std::string timestampToString(std::int64_t seconds);
    // "yyyy-MM-dd"
    static std::string timestampToStringDate(std::int64_t seconds);
    // Decimal seconds of 00:00:00 and of 23:59:59 of the date's local day.
    static std::string getDateForDayStart(double date);
    static std::string getDateForDayEnd(double date);
    // "yyyy-MM-dd"
    static std::string getDateStr(double date);
};
