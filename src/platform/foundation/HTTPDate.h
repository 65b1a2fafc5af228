#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// Dates as HTTP header fields write them ("Sun, 06 Nov 1994 08:49:37 GMT").
// Both directions work in the "C" locale whatever the process's locale is,
// and in UTC: an HTTP date names an instant, never a local time.
class HTTPDate {
public:
    // Seconds since 1970 for the first of these forms that reads:
    // "Sun, 06 Nov 1994 08:49:37 GMT" (RFC 1123), "Sunday, 06-Nov-94
    // 08:49:37 GMT" (RFC 850) and "Sun Nov  6 08:49:37 1994" (asctime).
    // Text after a form that reads is ignored; nothing reads gives nothing.
    static std::optional<double> dateFromRFC1123(std::string_view text);
    // The whole seconds of the date in the first form; nothing for a date
    // that does not fit it (before year 1000 or after 9999, or not finite).
    static std::optional<std::string> rfc1123String(double secondsSince1970);
};

} // namespace foundation
