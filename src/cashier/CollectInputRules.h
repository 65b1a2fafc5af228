#pragma once

#include <optional>
#include <string_view>

// Checks on what a person types or scans into the collection screens,
// apart from any view.
class CollectInputRules {
public:
    // The wallet of a customer's payment code by its first digits: "13"
    // WeChat Pay, "31" Baidu Wallet, anything else Alipay.
    static std::string_view walletForCode(std::string_view code);

    // The signed client joins parameters as "key=value&..." without escaping
    // them, so a value holding "&" or "=" would add parameters of its own.
    static bool isFormSafe(std::string_view value);

    // An amount typed as digits with at most one point and two decimals
    // ("12", "12.5", "12.50", "12."), in cents; nothing for any other text
    // (".", "1.2.3", "1.234", "", "-1", "1e3").
    static std::optional<long long> cents(std::string_view amount);
    // An amount the server sent (read as a double) rounded to the cent; 0
    // when it is not finite or beyond any order.
    static long long centsOfValue(double value);
};
