#include "cards/WalletPassListViewController.h"

#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "cards/CouponTitleCell.h"
#include "platform/kit/NavigationController.h"
#include "ui/PromptUtil.h"
#include "ui/SingleChoiceList.h"

std::shared_ptr<kit::TableViewCell> WalletPassListViewController::makeCell() const
{
    return std::make_shared<CouponTitleCell>();
}

void WalletPassListViewController::btnOkClick()
{
    const auto* chosen = currentEntity();
    if (!SingleChoiceList::confirm(chosen != nullptr, "请选择优惠券！"))
        return;
    Wallet target = wallet();
    if (!target.memberIdentity || target.memberIdentity->empty()) {
        PromptUtil::toast(target.noIdentityMessage);
        return;
    }
    // The overlay-less request lets touches through: one pass per tap.
    if (!m_sendGate.isOpen())
        return;
    NetUtilSign::Parameters parameters;
    parameters[target.passKey] = foundation::optionalText(*chosen, target.passKey).value_or("");
    parameters[target.identityKey] = *target.memberIdentity;
    std::weak_ptr<WalletPassListViewController> weak
        = std::static_pointer_cast<WalletPassListViewController>(shared_from_this());
    NetUtilSign::doPost(target.sendPath, std::nullopt, NetUtilSign::memberKeyFlag, parameters,
        [weak, token = m_sendGate.close()](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleSend(reply);
        });
}

void WalletPassListViewController::handleSend(const std::optional<std::string>& replyText)
{
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    PromptUtil::toast("卡劵发放成功！");
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}
