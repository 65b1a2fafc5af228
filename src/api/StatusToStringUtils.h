#pragma once

#include <optional>
#include <string>

// A member's status code as the word the member screens show.
class StatusToStringUtils {
public:
    // Nothing for a code the server does not define.
    static std::optional<std::string> getVipStatusString(int status);
};
