#include "ui/ShopOwnerCheck.h"

#include "api/JsonUtil.h"
#include "api/Md5Util.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/AlertView.h"
#include "ui/PromptUtil.h"

namespace {

std::string trimmedField(const kit::AlertView& alert, int index)
{
    auto field = alert.textFieldAtIndex(index);
    return field ? foundation::trimWhitespaceAndNewlines(field->text()) : std::string();
}

} // namespace

std::optional<ShopOwnerCheck::Credentials> ShopOwnerCheck::typedCredentials(kit::AlertView& alert)
{
    Credentials credentials { trimmedField(alert, 0), trimmedField(alert, 1) };
    const char* refusal = credentials.name.empty() ? "用户名不可为空！"
        : credentials.password.empty()             ? "密码不可为空！"
                                                   : nullptr;
    if (!refusal)
        return credentials;
    PromptUtil::toast(refusal);
    alert.show();
    return std::nullopt;
}

NetUtilSign::Parameters ShopOwnerCheck::parameters(const Credentials& credentials)
{
    NetUtilSign::Parameters parameters;
    parameters["username"] = credentials.name;
    parameters["password"] = Md5Util::md5_32(credentials.password);
    return parameters;
}

bool ShopOwnerCheck::isShopOwner(const std::optional<std::string>& reply)
{
    auto json = JsonUtil::getJSONObject(reply);
    return JsonUtil::isSuccess(json) && foundation::optionalText(JsonUtil::data(json), "job") == shopOwnerJob;
}
