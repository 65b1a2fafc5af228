#pragma once

#include "platform/kit/View.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kit {
class Button;
class Control;
class ImageView;
class Label;
} // namespace kit

// The three pass-type tiles over the pass logs (platform, Alipay, WeChat):
// each a background, an icon, a label and a button covering it. The chosen
// one is white with a dark label and its "On" icon; the others are dark.
class PassTypeTiles : public kit::View {
public:
    static constexpr double height = 70;
    static constexpr const char* unselectedHex = "3c4a55";

    struct Tile {
        std::string_view couponType;
        std::shared_ptr<kit::View> view;
        std::shared_ptr<kit::ImageView> icon;
        std::shared_ptr<kit::Label> label;
        std::shared_ptr<kit::Button> button;
    };

    // `onTap` runs with the tapped tile's button.
    PassTypeTiles(double width, std::function<void(kit::Control&)> onTap);

    // The pass type of one of the tile buttons; none for another control.
    std::optional<std::string_view> typeOf(const kit::Control& sender) const;
    // Every tile unselected, then the one of `couponType` selected.
    void select(std::string_view couponType);

    const std::array<Tile, 3>& tiles() const { return m_tiles; }

private:
    std::array<Tile, 3> m_tiles;
};
