#include "api/DecimalUtil.h"

#include "platform/foundation/Strings.h"

#include <cmath>

std::string DecimalUtil::getDecimalString(double amount)
{
    // Compared, not formatted: -0.0 would otherwise print as "-0".
    if (amount == 0)
        return "0";
    if (amount == std::round(amount))
        return foundation::formatFixed(amount, 0);
    return foundation::formatFixed(amount, 2);
}
