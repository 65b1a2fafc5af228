#include "server/MoneyText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace merchant {

namespace {

constexpr Mills kMaxMills
    = 1'000'000'000'000LL; // a billion yuan: no till takes more, and sums cannot overflow

}

std::optional<Mills> MoneyText::parse(std::string_view text)
{
    Mills whole = 0;
    std::size_t i = 0;
    bool sawDigit = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        whole = whole * 10 + (text[i] - '0');
        sawDigit = true;
        if (whole * 1000 > kMaxMills)
            return std::nullopt;
    }
    Mills fraction = 0;
    int fractionDigits = 0;
    bool roundUp = false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            sawDigit = true;
            if (fractionDigits < 3) {
                fraction = fraction * 10 + (text[i] - '0');
                ++fractionDigits;
            } else if (fractionDigits == 3) {
                roundUp = text[i] >= '5';
                ++fractionDigits;
            }
        }
    }
    if (!sawDigit || i != text.size())
        return std::nullopt;
    for (int d = std::min(fractionDigits, 3); d < 3; ++d)
        fraction *= 10;
    return whole * 1000 + fraction + (roundUp ? 1 : 0);
}

Mills MoneyText::roundToCent(Mills amount)
{
    Mills sign = amount < 0 ? -1 : 1;
    Mills magnitude = amount * sign;
    return sign * ((magnitude + 5) / 10 * 10);
}

std::string MoneyText::format(Mills amount)
{
    Mills cents = roundToCent(amount) / 10;
    const char* sign = cents < 0 ? "-" : "";
    cents = std::llabs(cents);
    char text[40];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", sign, static_cast<long long>(cents / 100),
        static_cast<long long>(cents % 100));
    return text;
}

std::string MoneyText::formatExact(Mills amount)
{
    if (amount % 10 == 0)
        return format(amount);
    const char* sign = amount < 0 ? "-" : "";
    Mills magnitude = std::llabs(amount);
    char text[40];
    std::snprintf(text, sizeof text, "%s%lld.%03lld", sign, static_cast<long long>(magnitude / 1000),
        static_cast<long long>(magnitude % 1000));
    return text;
}

bool MoneyText::sameToTheCent(Mills a, Mills b)
{
    return std::llabs(a - b) < 10;
}

bool MoneyText::withinOneCent(Mills a, Mills b)
{
    return std::llabs(a - b) <= 10;
}

} // namespace merchant
