#pragma once

#include "platform/foundation/Json.h"

#include <optional>
#include <string>

// Reply parsing. Every signed reply decrypts to an envelope object with
// "status" (the text "1" means success), "data" and "info".
class JsonUtil {
public:
    // The JSON object or list of the text; std::nullopt for an absent text,
    // for text that is not JSON and for a bare scalar.
    static std::optional<foundation::Json> getJSONObject(const std::optional<std::string>& text);

    // Only the JSON string "1" is success: a number 1, a missing status and a
    // reply that did not parse all fail.
    static bool isSuccess(const std::optional<foundation::Json>& reply);
    // The server's message; absent unless it is a text.
    static std::optional<std::string> info(const std::optional<foundation::Json>& reply);
    // The "data" value, or a JSON null when there is none.
    static const foundation::Json& data(const std::optional<foundation::Json>& reply);
};
