#pragma once

#include "members/VipEntityReceiver.h"
#include "ui/BaseViewController.h"

#include <memory>
#include <string_view>

namespace kit {
class Button;
class Control;
} // namespace kit
class MemberCardView;
class VipDetailEntity;

// Sending the member a pass: the member's card and one button per kind of
// pass, each opening the list of passes of that kind.
class SendCardViewController : public BaseViewController, public VipEntityReceiver {
public:
    static constexpr std::string_view nibName = "SendCardViewController";

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void initViews() override;
    void setBtnStyle(kit::Button& button);
    void toChooseCardVolumeUI(kit::Control& sender);

    void setVipEntity(std::shared_ptr<VipDetailEntity> vipEntity) override
    {
        m_vipEntity = std::move(vipEntity);
    }
    const std::shared_ptr<VipDetailEntity>& vipEntity() const { return m_vipEntity; }

private:
    std::shared_ptr<VipDetailEntity> m_vipEntity;
    std::shared_ptr<MemberCardView> m_card;
    std::shared_ptr<kit::Button> m_btnQuorvastCard;
    std::shared_ptr<kit::Button> m_btnAliCard;
    std::shared_ptr<kit::Button> m_btnWxCard;
};
