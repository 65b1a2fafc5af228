#pragma once

#include "api/NetUtilSign.h"
#include "cashier/RequestSettledToken.h"
#include "platform/foundation/Json.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// A screen's action sent through the signed client with the collection key:
// its reply counts only while `isCurrent` holds (the screen lives and has
// not moved on since), a refusal shows the server's message, and success
// hands the reply's data on. The token (see SubmitGuard) goes with the
// reply block.
class ScreenAction {
public:
    using IsCurrent = std::function<bool()>;
    using OnSuccess = std::function<void(const foundation::Json& data)>;

    static void post(std::string_view path, const std::optional<std::string>& progressText,
        const NetUtilSign::Parameters& parameters, std::shared_ptr<RequestSettledToken> token,
        IsCurrent isCurrent, OnSuccess onSuccess);
};
