#pragma once

#include "platform/foundation/Json.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The root of the records built from reply data. Entities hold what the
// server sent as texts; any input, however malformed, gives an entity whose
// unreadable fields are simply absent.
class BaseEntity {
public:
    virtual ~BaseEntity() = default;

    // The root record has no fields, so it ignores its argument.
    static std::shared_ptr<BaseEntity> initWithJSON(const foundation::Json* json);

protected:
    // Only JSON strings are kept: the server sends every field as text, and a
    // null, a number or a container in its place reads as absent.
    static std::optional<std::string> text(const foundation::Json& object, std::string_view key);
    // Like text(), except that a number becomes its decimal text.
    static std::optional<std::string> numberOrText(const foundation::Json& object, std::string_view key);
    // The leading number of a text or the value of a number; 0 otherwise.
    static double number(const foundation::Json& object, std::string_view key);
    // Portraits stored on the merchant's web server come as a bare "/images"
    // path and need its address in front to be loadable.
    static std::optional<std::string> portraitURL(std::optional<std::string> portrait);
};
