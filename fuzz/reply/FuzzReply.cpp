// Everything a reply body goes through before a screen sees it, fed with
// arbitrary bytes: the tolerant and strict Base64 decoders, the DES
// decryption, the JSON step and every entity.
//
// Input layout: one mode byte, then
//   mode 0 (encrypted reply): one key-length byte (16 or more means no key),
//          the key bytes, then the reply text;
//   mode 1 (decrypted reply): the JSON text itself, so the fuzzer can reach
//          the entities without having to forge DES; the app's JSON reader must
//          read it exactly as nlohmann's parser does;
//   mode 2 (Base64): the text for both decoders and the strict codec's encoder;
//   mode 3 (cipher round trip): as mode 0, and the text must survive
//          encode then decode unchanged.

#include "api/Base64Codec.h"
#include "api/DesCipher.h"
#include "api/JsonUtil.h"
#include "model/CouponDiscountPriceEntity.h"
#include "model/CouponGrantEntity.h"
#include "model/CouponSendRecordEntity.h"
#include "model/LoginEntity.h"
#include "model/MemberDiscountPriceEntity.h"
#include "model/OrderEntity.h"
#include "model/PreferentialWayEntity.h"
#include "model/RechargeRuleEntity.h"
#include "model/ScoreReasonEntity.h"
#include "model/UserInfoEntity.h"
#include "model/VipCardEntity.h"
#include "model/VipDetailEntity.h"
#include "model/VipListEntity.h"
#include "platform/foundation/Strings.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void buildEntities(const foundation::Json& json)
{
    LoginEntity::initWithJSON(json);
    UserInfoEntity::initWithJSON(json);
    OrderEntity::initWithJSON(json);
    VipListEntity::initWithJSON(json);
    VipDetailEntity::initWithJSON(json);
    VipCardEntity::initWithJSON(json);
    RechargeRuleEntity::initWithJSON(json);
    PreferentialWayEntity::initWithJSON(json);
    CouponGrantEntity::initWithJSON(json);
    ScoreReasonEntity::initWithJSON(json);
    CouponDiscountPriceEntity::initWithJSON(json);
    MemberDiscountPriceEntity::initWithJSON(json);
    CouponSendRecordEntity::initWithJSON(json);
}

// The shapes the screens read: "data" as one record, as a list of records,
// or as an object whose "list" holds the records.
void handleReply(const std::optional<std::string>& text)
{
    auto const reply = JsonUtil::getJSONObject(text);
    static_cast<void>(JsonUtil::isSuccess(reply));
    static_cast<void>(JsonUtil::info(reply));
    auto const& data = JsonUtil::data(reply);
    buildEntities(data);
    if (data.is_array()) {
        for (auto const& item : data)
            buildEntities(item);
    }
    auto const& list = foundation::valueForKey(data, "list");
    if (list.is_array()) {
        for (auto const& item : list)
            buildEntities(item);
    }
}

struct KeyedText {
    DesCipher::Key key;
    std::string_view text;
};

KeyedText splitKey(std::string_view input)
{
    if (input.empty())
        return { std::nullopt, input };
    std::size_t const length = static_cast<std::uint8_t>(input.front());
    input.remove_prefix(1);
    if (length >= 16)
        return { std::nullopt, input };
    std::size_t const taken = std::min(length, input.size());
    return { std::string(input.substr(0, taken)), input.substr(taken) };
}

void checkBase64(std::string_view text)
{
    auto const tolerant = DesCipher::decodeBase64WithString(text);
    auto const strict = Base64Codec::decodeString(text);
    static_cast<void>(Base64Codec::webSafeDecodeString(text));
    static_cast<void>(Base64Codec::decodeBase64String(text));

    // Whatever the strict decoder accepts from plain ASCII without zero bytes
    // or its extra white space, the tolerant one must read the same way.
    bool const comparable = std::all_of(text.begin(), text.end(), [](char c) {
        auto const byte = static_cast<std::uint8_t>(c);
        return byte != 0 && byte < 0x80;
    });
    if (strict && comparable && tolerant != *strict)
        std::abort();

    // Any bytes survive the strict codec's own round trip.
    std::span<const std::uint8_t> const bytes { reinterpret_cast<const std::uint8_t*>(text.data()),
        text.size() };
    if (Base64Codec::decodeString(Base64Codec::stringByEncodingData(bytes))
        != Base64Codec::Bytes(bytes.begin(), bytes.end()))
        std::abort();
    auto const webSafe = Base64Codec::stringByWebSafeEncodingDataPadded(bytes, false);
    if (Base64Codec::webSafeDecodeString(webSafe) != Base64Codec::Bytes(bytes.begin(), bytes.end()))
        std::abort();
}

int depthOf(const foundation::Json& value)
{
    int deepest = 0;
    if (value.is_structured()) {
        for (auto const& item : value)
            deepest = std::max(deepest, depthOf(item));
        ++deepest;
    }
    return deepest;
}

// Our reader against the reference parser: the same containers, values and number
// types, and a refusal exactly where the reference refuses (or the nesting is past
// our limit).
void compareWithReference(std::string_view text)
{
    auto const ours = foundation::parseJsonObject(text);
    auto const reference = foundation::Json::parse(text.begin(), text.end(), nullptr, false);
    bool const comparable = !reference.is_discarded() && reference.is_structured();
    if (!comparable) {
        if (ours)
            std::abort();
        return;
    }
    if (!ours) {
        if (depthOf(reference) <= foundation::kMaxJsonDepth)
            std::abort();
        return;
    }
    if (*ours != reference || ours->dump() != reference.dump())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::string_view input { reinterpret_cast<const char*>(data) + 1, size - 1 };
    switch (data[0] % 4) {
    case 0: {
        auto const [key, text] = splitKey(input);
        handleReply(DesCipher::decode(text, key));
        break;
    }
    case 1:
        compareWithReference(input);
        handleReply(std::string(input));
        break;
    case 2:
        checkBase64(input);
        break;
    case 3: {
        auto const [key, text] = splitKey(input);
        auto const decoded = DesCipher::decode(DesCipher::encode(text, key), key);
        std::optional<std::string> const expected = key ? foundation::textFromUtf8(text) : std::string();
        if (decoded != expected)
            std::abort();
        break;
    }
    }
    return 0;
}
