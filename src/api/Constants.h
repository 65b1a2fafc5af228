#pragma once

#include <string_view>

// Names of the stored settings and the fixed values the screens and the back
// end agree on. Each settings key's value is its own name; the misspellings
// ("TRUN_NAME", "REMEBER_USERNAME") are the stored names and must stay.

inline constexpr std::string_view KEY_RECEIVABLE = "KEY_RECEIVABLE";
inline constexpr std::string_view KEY_RECEIVABLE_ENCRYPT = "KEY_RECEIVABLE_ENCRYPT";
inline constexpr std::string_view KEY_MEMBER = "KEY_MEMBER";
inline constexpr std::string_view KEY_MEMBER_ENCRYPT = "KEY_MEMBER_ENCRYPT";
inline constexpr std::string_view IS_FIRST_LAUNCH = "IS_FIRST_LAUNCH";
inline constexpr std::string_view APP_KEY = "APP_KEY";
inline constexpr std::string_view USER_NAME = "USER_NAME";
inline constexpr std::string_view PASS_WORD = "PASS_WORD";
inline constexpr std::string_view USER_ID = "USER_ID";
inline constexpr std::string_view TRUN_NAME = "TRUN_NAME";
inline constexpr std::string_view USER_JOB = "USER_JOB";
inline constexpr std::string_view REMEBER_USERNAME = "REMEBER_USERNAME";
inline constexpr std::string_view COMPANY = "COMPANY";
inline constexpr std::string_view SHOP_NAME = "SHOP_NAME";
inline constexpr std::string_view NICK_NAME = "NICK_NAME";
inline constexpr std::string_view DEVICE_NAME = "DEVICE_NAME";
inline constexpr std::string_view IS_ALI_PAY = "IS_ALI_PAY";
inline constexpr std::string_view IS_WX_PAY = "IS_WX_PAY";
inline constexpr std::string_view IS_ENABLE_BD_PAY = "IS_ENABLE_BD_PAY";

// "pagesize" of every paged list request; pages count from "1".
inline constexpr std::string_view PAGE_SIZE = "10";

// The wallet of a payment: sent as "m_paytype", read back as "payment".
inline constexpr std::string_view PAY_TYPE_ALIPAY = "alipay";
inline constexpr std::string_view PAY_TYPE_WXPAY = "wxpay";
inline constexpr std::string_view PAY_TYPE_BDPAY = "bdpay";

// The kind of pass: selects the log path and row texts, sent as "passtype".
inline constexpr std::string_view PASS_TYPE_PLAT = "platPass";
inline constexpr std::string_view PASS_TYPE_ALI = "aliPass";
inline constexpr std::string_view PASS_TYPE_WX = "wxPass";

// The "type" of the discount choice that stands for the member card's own rate.
inline constexpr std::string_view DISCOUNT_TYPE_MEMBER_CARD = "-1";
// The "type" of a coupon that takes a fixed sum off.
inline constexpr std::string_view COUPON_TYPE_MONEY_OFF = "0";
