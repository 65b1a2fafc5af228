#include "cashier/ScreenAction.h"

#include "api/JsonUtil.h"
#include "ui/PromptUtil.h"

void ScreenAction::post(std::string_view path, const std::optional<std::string>& progressText,
    const NetUtilSign::Parameters& parameters, std::shared_ptr<RequestSettledToken> token,
    IsCurrent isCurrent, OnSuccess onSuccess)
{
    NetUtilSign::doPost(path, progressText, NetUtilSign::receivableKeyFlag, parameters,
        [token = std::move(token), isCurrent = std::move(isCurrent), onSuccess = std::move(onSuccess)](
            const std::optional<std::string>& reply) {
            if (!isCurrent())
                return;
            auto json = JsonUtil::getJSONObject(reply);
            if (!JsonUtil::isSuccess(json)) {
                PromptUtil::toast(JsonUtil::info(json));
                return;
            }
            onSuccess(JsonUtil::data(json));
        });
}
