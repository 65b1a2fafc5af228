#pragma once

#include "members/MemberFormViewController.h"

#include <memory>
#include <string_view>

namespace kit {
class Button;
class Control;
} // namespace kit

// Sending the member a pass: the member's card and one button per kind of
// pass, each opening the list of passes of that kind.
class SendCardViewController : public MemberFormViewController {
public:
    static constexpr std::string_view nibName = "SendCardViewController";

    void initViews() override;
    void setBtnStyle(kit::Button& button);
    void toChooseCardVolumeUI(kit::Control& sender);

private:
    std::shared_ptr<kit::Button> m_btnQuorvastCard;
    std::shared_ptr<kit::Button> m_btnAliCard;
    std::shared_ptr<kit::Button> m_btnWxCard;
};
