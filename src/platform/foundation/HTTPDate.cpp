#include "platform/foundation/HTTPDate.h"

#include <clocale>
#include <cmath>
#include <ctime>
#include <locale.h>
#include <time.h>

namespace foundation {

namespace {

// The "C" locale for this thread while in scope: day and month names are
// English in HTTP, whatever the user's locale.
class CLocaleScope {
public:
    CLocaleScope()
        : m_locale(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr)))
    {
        if (m_locale)
            m_previous = uselocale(m_locale);
    }
    ~CLocaleScope()
    {
        if (m_locale) {
            uselocale(m_previous);
            freelocale(m_locale);
        }
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t m_locale;
    locale_t m_previous { LC_GLOBAL_LOCALE };
};

} // namespace

std::optional<double> HTTPDate::dateFromRFC1123(std::string_view text)
{
    // strptime needs a terminated string.
    std::string const terminated(text);
    CLocaleScope cLocale;
    for (const char* format :
        { "%a, %d %b %Y %H:%M:%S %Z", "%A, %d-%b-%y %H:%M:%S %Z", "%a %b %e %H:%M:%S %Y" }) {
        std::tm fields {};
        if (!strptime(terminated.c_str(), format, &fields))
            continue;
        return static_cast<double>(timegm(&fields));
    }
    return std::nullopt;
}

std::optional<std::string> HTTPDate::rfc1123String(double secondsSince1970)
{
    // Years 1000 to 9999 keep the four-digit year of the form.
    constexpr double earliest = -30610224000.0;
    constexpr double latest = 253402300799.0;
    if (!std::isfinite(secondsSince1970) || secondsSince1970 < earliest || secondsSince1970 > latest)
        return std::nullopt;
    auto const seconds = static_cast<std::time_t>(secondsSince1970);
    std::tm fields {};
    if (!gmtime_r(&seconds, &fields))
        return std::nullopt;
    CLocaleScope cLocale;
    char buffer[32];
    auto const length = std::strftime(buffer, sizeof buffer, "%a, %d %b %Y %H:%M:%S GMT", &fields);
    if (length == 0)
        return std::nullopt;
    return std::string(buffer, length);
}

} // namespace foundation
