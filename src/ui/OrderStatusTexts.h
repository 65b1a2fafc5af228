#pragma once

#include <optional>
#include <string>

// How an order's codes read on screen, shared by the order rows and the
// order detail. Each reading compares texts and the first match wins; an
// absent or unknown code takes the last reading ("anything else").
class OrderStatusTexts {
public:
    // "paytype": "1" barcode, "2" QR code scan, else sound wave.
    static std::string payTypeText(const std::optional<std::string>& paytype);
    // "paystatus": "0" waiting, "1" paid, else failed.
    static std::string payStatusText(const std::optional<std::string>& paystatus);
    // "is_refund": "0" normal, "1" cancelled, else refunded.
    static std::string refundText(const std::optional<std::string>& isRefund);
    // "payment": the wallet's name.
    static std::string paymentText(const std::optional<std::string>& payment);

    // The order row's extras, by "paystatus": the colour of its status text
    // (six hexadecimal digits), its account text (for a paid order chosen by
    // the wallet tab shown) and whether its pay time is shown.
    static std::string payStatusColorHex(const std::optional<std::string>& paystatus);
    static std::string accountText(const std::optional<std::string>& paystatus,
        const std::string& currentPayType, const std::optional<std::string>& buyerAccount);
    static bool showsPayTime(const std::optional<std::string>& paystatus);
    // "paymoney" as sent for a waiting order; otherwise followed by the
    // amount received with two decimals: "12.00（实收8.00）".
    static std::string moneyText(const std::optional<std::string>& paystatus,
        const std::optional<std::string>& paymoney, const std::optional<std::string>& priPaymoney);
};
