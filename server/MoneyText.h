#pragma once

#include "server/MerchantState.h"

#include <optional>
#include <string>
#include <string_view>

namespace merchant {

// Amounts travel as decimal texts typed by people ("5", "5.", ".5", "12.50"),
// so they are read by hand instead of through a floating-point parser that
// would accept "1e3", "nan" or a locale's comma.
class MoneyText {
public:
    // Non-negative decimal with up to three fraction digits kept (further
    // digits round half up); std::nullopt for anything else, including "", "."
    // and amounts beyond a billion yuan.
    static std::optional<Mills> parse(std::string_view text);
    // "%.2f" of the amount, rounding half away from zero.
    static std::string format(Mills amount);
    // Two decimals unless the third is needed, so a balance with a fraction of
    // a cent is shown as it is stored.
    static std::string formatExact(Mills amount);
    // Rounds to a whole cent.
    static Mills roundToCent(Mills amount);
    // True when the two amounts differ by less than one cent.
    static bool sameToTheCent(Mills a, Mills b);
    // True when the two amounts differ by one cent at most: a price the app
    // estimated in doubles may land a cent off the exact one.
    static bool withinOneCent(Mills a, Mills b);
};

} // namespace merchant
