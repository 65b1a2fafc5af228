#pragma once

#include "platform/foundation/Json.h"

#include <optional>
#include <string>
#include <string_view>

// What the pass screens show of a log record, the same on the cards tab,
// the send records and the record details: the record's title, its state
// in the words of its wallet, and its times.
class PassRecordTexts {
public:
    // "title" for a platform record, "cardname" for an Alipay or WeChat one.
    static std::optional<std::string> title(std::string_view couponType, const foundation::Json& record);
    // The state word for the record's "status"; absent for a value the
    // wallet does not use.
    static std::optional<std::string> status(std::string_view couponType, const foundation::Json& record);
    // The time under `key` as "yyyy-MM-dd HH:mm:ss". A time that is absent,
    // shorter than three characters or 0 is no time at all and shows as "",
    // never as a day in 1970.
    static std::string time(const foundation::Json& record, std::string_view key);
};
