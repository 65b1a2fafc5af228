#include "platform/foundation/Json.h"

#include <cmath>
#include <limits>

namespace foundation {

namespace {

// Nesting depth of the containers in a JSON text, counted outside strings.
// Runs before the parser so that hostile input is refused cheaply.
bool nestingWithinLimit(std::string_view text)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxJsonDepth)
                return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

const Json& nullJson()
{
    static const Json null;
    return null;
}

template<typename Int> Int saturate(const Json& value)
{
    using Limits = std::numeric_limits<Int>;
    if (value.is_number_unsigned()) {
        auto v = value.get<std::uint64_t>();
        return v > static_cast<std::uint64_t>(Limits::max()) ? Limits::max() : static_cast<Int>(v);
    }
    if (value.is_number_integer()) {
        auto v = value.get<std::int64_t>();
        if (v > static_cast<std::int64_t>(Limits::max()))
            return Limits::max();
        if (v < static_cast<std::int64_t>(Limits::min()))
            return Limits::min();
        return static_cast<Int>(v);
    }
    // A double is cut toward zero, saturating, with NaN as 0.
    double v = value.get<double>();
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(Limits::max()))
        return Limits::max();
    if (v <= static_cast<double>(Limits::min()))
        return Limits::min();
    return static_cast<Int>(v);
}

} // namespace

std::optional<Json> parseJsonObject(std::string_view text)
{
    if (!isValidUtf8(text) || !nestingWithinLimit(text))
        return std::nullopt;
    Json value = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded() || !(value.is_object() || value.is_array()))
        return std::nullopt;
    return value;
}

const Json& valueForKey(const Json& object, std::string_view key)
{
    if (!object.is_object())
        return nullJson();
    auto it = object.find(key);
    return it == object.end() ? nullJson() : *it;
}

const Json& valueForKey(const std::optional<Json>& object, std::string_view key)
{
    return object ? valueForKey(*object, key) : nullJson();
}

std::optional<std::string> optionalText(const Json& object, std::string_view key)
{
    const Json& value = valueForKey(object, key);
    if (!value.is_string())
        return std::nullopt;
    return value.get<std::string>();
}

std::optional<std::string> optionalText(const std::optional<Json>& object, std::string_view key)
{
    return object ? optionalText(*object, key) : std::nullopt;
}

bool isNullOrAbsent(const Json& object, std::string_view key)
{
    return valueForKey(object, key).is_null();
}

double doubleValue(const Json& value)
{
    if (value.is_number())
        return value.get<double>();
    if (value.is_boolean())
        return value.get<bool>() ? 1.0 : 0.0;
    if (value.is_string())
        return doubleValue(value.get_ref<const std::string&>());
    return 0.0;
}

int intValue(const Json& value)
{
    if (value.is_number())
        return saturate<int>(value);
    if (value.is_boolean())
        return value.get<bool>() ? 1 : 0;
    if (value.is_string())
        return intValue(value.get_ref<const std::string&>());
    return 0;
}

long long longLongValue(const Json& value)
{
    if (value.is_number())
        return saturate<long long>(value);
    if (value.is_boolean())
        return value.get<bool>() ? 1 : 0;
    if (value.is_string())
        return longLongValue(value.get_ref<const std::string&>());
    return 0;
}

std::string describe(const Json& value)
{
    switch (value.type()) {
    case Json::value_t::string:
        return value.get<std::string>();
    case Json::value_t::number_integer:
        return std::to_string(value.get<std::int64_t>());
    case Json::value_t::number_unsigned:
        return std::to_string(value.get<std::uint64_t>());
    case Json::value_t::number_float:
        return formatShortest(value.get<double>());
    case Json::value_t::boolean:
        return value.get<bool>() ? "1" : "0";
    case Json::value_t::null:
        return "<null>";
    default:
        return value.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
}

} // namespace foundation
