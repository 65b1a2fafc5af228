#pragma once

#include "api/NetUtilSign.h"

#include <optional>
#include <string>
#include <string_view>

namespace kit {
class AlertView;
}

// The shop owner's check that guards the refund and the collection keys: a
// name and password typed into a two-field alert, asked of the staff check,
// and passed only by a shop owner (job "2"), whatever the password's owner.
class ShopOwnerCheck {
public:
    static constexpr std::string_view shopOwnerJob = "2";
    static constexpr std::string_view acceptedMessage = "验证成功！";
    static constexpr std::string_view refusedMessage = "验证失败,您不是店长,没有此权限！";

    struct Credentials {
        std::string name;
        std::string password;
    };

    // The two fields trimmed of white space and line ends. When either is
    // empty its toast is shown ("用户名不可为空！", "密码不可为空！"), the same
    // alert comes up again and the answer is nothing.
    static std::optional<Credentials> typedCredentials(kit::AlertView& alert);
    // The staff check's parameters: the name, and the password's MD5.
    static NetUtilSign::Parameters parameters(const Credentials& credentials);
    // Whether the staff check's reply names a shop owner.
    static bool isShopOwner(const std::optional<std::string>& reply);
};
