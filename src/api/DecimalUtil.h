#pragma once

#include <string>

// Money amounts without needless decimals: "0", a whole number, or two decimals.
class DecimalUtil {
public:
    static std::string getDecimalString(double amount);
};
