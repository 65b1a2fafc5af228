#include "cashier/CollectInputRules.h"

#include "api/Constants.h"

#include <cmath>

std::string_view CollectInputRules::walletForCode(std::string_view code)
{
    if (code.starts_with("13"))
        return PAY_TYPE_WXPAY;
    if (code.starts_with("31"))
        return PAY_TYPE_BDPAY;
    return PAY_TYPE_ALIPAY;
}

bool CollectInputRules::isFormSafe(std::string_view value)
{
    return value.find_first_of("&=") == std::string_view::npos;
}

std::optional<long long> CollectInputRules::cents(std::string_view amount)
{
    // Eleven digits of yuan are far beyond any order and keep the sum exact.
    constexpr std::size_t maxWholeDigits = 11;
    auto point = amount.find('.');
    std::string_view whole = amount.substr(0, point);
    std::string_view fraction
        = point == std::string_view::npos ? std::string_view() : amount.substr(point + 1);
    if (whole.empty() && fraction.empty())
        return std::nullopt;
    if (whole.size() > maxWholeDigits || fraction.size() > 2)
        return std::nullopt;
    long long value = 0;
    for (char c : whole) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    long long hundredths = 0;
    for (std::size_t i = 0; i < 2; ++i) {
        char c = i < fraction.size() ? fraction[i] : '0';
        if (c < '0' || c > '9')
            return std::nullopt;
        hundredths = hundredths * 10 + (c - '0');
    }
    return value * 100 + hundredths;
}

long long CollectInputRules::centsOfValue(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 1e13)
        return 0;
    return std::llround(value * 100);
}
