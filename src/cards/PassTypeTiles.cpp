#include "cards/PassTypeTiles.h"

#include "api/Constants.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "ui/ColorUtil.h"

namespace {

struct TileKind {
    std::string_view couponType;
    const char* prefix;
    const char* title;
    const char* icon;
};

constexpr std::array<TileKind, 3> kinds { {
    { PASS_TYPE_PLAT, "Platform", "平台卡券", "IconPlatformCard" },
    { PASS_TYPE_ALI, "Ali", "支付宝卡券", "IconAliCard" },
    { PASS_TYPE_WX, "Wx", "微信卡券", "IconWxCard" },
} };

std::string outletName(const char* kind, const char* prefix)
{
    return std::string(kind) + prefix + "Volume";
}

} // namespace

PassTypeTiles::PassTypeTiles(double width, std::function<void(kit::Control&)> onTap)
    : kit::View(graphics::Rect { 0, 0, width, height })
{
    setName("viewPassTypes");
    double tileWidth = width / static_cast<double>(kinds.size());
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const auto& kind = kinds[i];
        Tile& tile = m_tiles[i];
        tile.couponType = kind.couponType;
        tile.view = std::make_shared<kit::View>(
            graphics::Rect { tileWidth * static_cast<double>(i), 0, tileWidth, height });
        tile.view->setName(outletName("view", kind.prefix));
        tile.icon = std::make_shared<kit::ImageView>(graphics::Rect { (tileWidth - 30) / 2, 10, 30, 30 });
        tile.icon->setName(outletName("iv", kind.prefix));
        tile.label = std::make_shared<kit::Label>(graphics::Rect { 0, 44, tileWidth, 20 });
        tile.label->setName(outletName("label", kind.prefix));
        tile.label->setText(std::string(kind.title));
        tile.label->setFont(graphics::Font::systemFont(14));
        tile.label->setTextAlignment(graphics::TextAlignment::Center);
        tile.button = std::make_shared<kit::Button>(
            kit::ButtonType::Custom, graphics::Rect { 0, 0, tileWidth, height });
        tile.button->setName(outletName("btn", kind.prefix));
        tile.button->setBackgroundColor(graphics::Color::clear());
        // The tiles live in the screen's view, which outlives them.
        tile.button->addAction(
            [onTap](kit::Control& sender) { onTap(sender); }, kit::ControlEvent::TouchUpInside);
        tile.view->addSubview(tile.icon);
        tile.view->addSubview(tile.label);
        tile.view->addSubview(tile.button);
        addSubview(tile.view);
    }
    select(PASS_TYPE_PLAT);
}

std::optional<std::string_view> PassTypeTiles::typeOf(const kit::Control& sender) const
{
    for (const auto& tile : m_tiles) {
        if (tile.button.get() == &sender)
            return tile.couponType;
    }
    return std::nullopt;
}

void PassTypeTiles::select(std::string_view couponType)
{
    for (std::size_t i = 0; i < m_tiles.size(); ++i) {
        const Tile& tile = m_tiles[i];
        bool chosen = tile.couponType == couponType;
        tile.view->setBackgroundColor(
            chosen ? graphics::Color::white() : ColorUtil::getUIColorByHex(unselectedHex));
        tile.label->setTextColor(
            chosen ? ColorUtil::getUIColorByHex(unselectedHex) : graphics::Color::white());
        tile.icon->setImage(graphics::Image::named(std::string(kinds[i].icon) + (chosen ? "On" : "")));
        tile.button->setSelected(chosen);
    }
}
