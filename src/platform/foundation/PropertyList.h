#pragma once

#include "platform/foundation/Json.h"
#include "platform/foundation/Result.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// XML property lists (the "plist 1.0" document type) as JSON values: dict,
// array, string, integer, real, true and false map to their JSON kinds; a
// <date> reads as its ISO 8601 text ("2026-01-31T08:00:00Z") and a <data> as
// its Base64 text without white space, so both come back as strings.
//
//     auto text = PropertyList::write(Json { { "ETag", "\"v1\"" } });
//     auto back = PropertyList::read(*text);   // the same object
//
// The reader is strict and bounded: one document of at most maxBytes in
// UTF-8, nesting at most maxDepth deep, the elements of the format only
// (comments, an XML declaration and a DOCTYPE without an internal subset are
// allowed around them), no key twice in a dict. Anything else is an error
// naming the byte where reading stopped; it never throws.
class PropertyList {
public:
    static constexpr std::size_t maxBytes = std::size_t { 8 } << 20;
    static constexpr int maxDepth = 64;

    static Result<Json> read(std::string_view text);
    // Indented with tabs, as the platform writes it. Nothing for a value the
    // format cannot carry: null, text that is not UTF-8 or holds a character
    // XML forbids, a real that is not finite, nesting beyond maxDepth.
    static std::optional<std::string> write(const Json& value);
    // Whether a string or key can stand in the format: UTF-8 without a
    // character XML forbids.
    static bool canHoldText(std::string_view text);
};

} // namespace foundation
