#pragma once

#include "members/VipEntityReceiver.h"
#include "ui/BaseViewController.h"

#include <memory>

namespace kit {
class View;
}
class MemberCardView;
class VipDetailEntity;

// A screen that acts for one member under the member's card: the purchase,
// the recharge, the points grant and the pass sending. The card shows
// through a transparent bar, and the screen, which skips the base step on
// appearing, is never recorded as the current one.
class MemberFormViewController : public BaseViewController, public VipEntityReceiver {
public:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    void setVipEntity(std::shared_ptr<VipDetailEntity> vipEntity) override
    {
        m_vipEntity = std::move(vipEntity);
    }
    const std::shared_ptr<VipDetailEntity>& vipEntity() const { return m_vipEntity; }

protected:
    // The back button, `title` in the bar, the grey page and the member's
    // card at the top of `parent` (the screen's view when null). Returns
    // where the form goes on under the card.
    double placeCard(const char* title, kit::View* parent = nullptr);

private:
    std::shared_ptr<VipDetailEntity> m_vipEntity;
    std::shared_ptr<MemberCardView> m_card;
};
