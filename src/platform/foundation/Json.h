#pragma once

// JSON values as the server's replies and the settings file carry them. Keys
// keep their insertion order so that anything built from a dictionary (form
// bodies, signatures, test expectations) is deterministic.
//
// The readers give the neutral answers that an absent value needs: no text,
// value 0, "not equal to "1"". They accept a std::optional<Json> too, so a
// reply that did not parse reads like an empty one.

#include "platform/foundation/Strings.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {

using Json = nlohmann::ordered_json;

// Containers nested deeper than this are refused, so that no later copy or
// dump of a hostile reply can run out of stack.
inline constexpr int kMaxJsonDepth = 512;

// The value of a JSON text whose top level is an object or an array.
// Top-level scalars, invalid UTF-8, nesting beyond kMaxJsonDepth and any
// syntax error give std::nullopt; nothing throws. JSON null inside is kept.
std::optional<Json> parseJsonObject(std::string_view text);
template<OptionalText T> std::optional<Json> parseJsonObject(const T& text)
{
    return text ? parseJsonObject(std::string_view(*text)) : std::nullopt;
}

// The value under the key, or a shared null when the value is not an object
// or has no such key. Never inserts.
const Json& valueForKey(const Json& object, std::string_view key);
const Json& valueForKey(const std::optional<Json>& object, std::string_view key);

// The text under the key, only when the value is a JSON string. Numbers,
// booleans, null and containers read as absent: the server sends texts, and
// a caller that needs a number's text asks for describe(valueForKey(...)).
std::optional<std::string> optionalText(const Json& object, std::string_view key);
std::optional<std::string> optionalText(const std::optional<Json>& object, std::string_view key);

// True when the key is missing or holds JSON null (or the value is no object).
bool isNullOrAbsent(const Json& object, std::string_view key);

// Numeric value of a JSON value: a number gives its value (integers saturate),
// a boolean 1 or 0, a string its leading number, anything else 0.
double doubleValue(const Json& value);
int intValue(const Json& value);
long long longLongValue(const Json& value);

// The "%@" of a value: integers in decimal, doubles in their shortest
// round-trip form, strings as themselves, null as "<null>", booleans as 1/0,
// containers as compact JSON.
std::string describe(const Json& value);

} // namespace foundation
