#include "cards/PassRecordTexts.h"

#include "api/Constants.h"
#include "api/DateUtil.h"
#include "platform/foundation/Strings.h"

#include <array>
#include <utility>

namespace {

using StatusWords = std::array<std::pair<std::string_view, std::string_view>, 3>;

constexpr StatusWords platformWords { { { "0", "已过期" }, { "1", "未使用" }, { "-1", "已使用" } } };
constexpr StatusWords alipayWords { { { "ZERO", "未使用" }, { "USED", "已使用" }, { "CLOSED", "已过期" } } };
constexpr StatusWords wechatWords { { { "0", "未使用" }, { "1", "已使用" }, { "2", "已转增" } } };

const StatusWords& wordsFor(std::string_view couponType)
{
    if (couponType == PASS_TYPE_PLAT)
        return platformWords;
    return couponType == PASS_TYPE_ALI ? alipayWords : wechatWords;
}

} // namespace

std::optional<std::string> PassRecordTexts::title(std::string_view couponType, const foundation::Json& record)
{
    return foundation::optionalText(record, couponType == PASS_TYPE_PLAT ? "title" : "cardname");
}

std::optional<std::string> PassRecordTexts::status(
    std::string_view couponType, const foundation::Json& record)
{
    auto value = foundation::optionalText(record, "status");
    if (!value)
        return std::nullopt;
    for (const auto& [code, word] : wordsFor(couponType)) {
        if (*value == code)
            return std::string(word);
    }
    return std::nullopt;
}

std::string PassRecordTexts::time(const foundation::Json& record, std::string_view key)
{
    auto text = foundation::optionalText(record, key);
    if (!text || foundation::utf16Length(*text) < 3)
        return {};
    long long seconds = foundation::longLongValue(*text);
    if (seconds <= 0)
        return {};
    return DateUtil::timestampToString(seconds);
}
