#pragma once

#include "platform/kit/View.h"

#include <memory>

namespace kit {
class ImageView;
class Label;
class ViewController;
} // namespace kit
class VipDetailEntity;

// The member's card at the top of the screens that act for one member:
// background, name, card number, balance, gift balance and points.
class MemberCardView : public kit::View {
public:
    static constexpr double height = 150;

    explicit MemberCardView(double width);

    // Name, card number, money, gift money and available points, as sent.
    void fill(const VipDetailEntity& member);

    // These screens let the card show through a transparent, black bar.
    static void applyTransparentBar(kit::ViewController& screen);

    const std::shared_ptr<kit::ImageView>& ivBg() const { return m_ivBg; }
    const std::shared_ptr<kit::Label>& labelVipName() const { return m_labelVipName; }
    const std::shared_ptr<kit::Label>& labelVipNum() const { return m_labelVipNum; }
    const std::shared_ptr<kit::Label>& labelVipMoney() const { return m_labelVipMoney; }
    const std::shared_ptr<kit::Label>& labelVipFreeMoney() const { return m_labelVipFreeMoney; }
    const std::shared_ptr<kit::Label>& labelVipPoint() const { return m_labelVipPoint; }

private:
    std::shared_ptr<kit::Label> addLabel(const char* name, const graphics::Rect& frame, double fontSize);

    std::shared_ptr<kit::ImageView> m_ivBg;
    std::shared_ptr<kit::Label> m_labelVipName;
    std::shared_ptr<kit::Label> m_labelVipNum;
    std::shared_ptr<kit::Label> m_labelVipMoney;
    std::shared_ptr<kit::Label> m_labelVipFreeMoney;
    std::shared_ptr<kit::Label> m_labelVipPoint;
};
