#pragma once

#include <array>
#include <string_view>

// The storyboard "Main": the home tabs with a navigation stack per tab.
// Each tab's root is built by the name its module registers in
// kit::Registry, looked up when the home screen is made; until a module
// registers one, a titled placeholder stands in.
class MainStoryboard {
public:
    static constexpr std::string_view name = "Main";
    static constexpr std::string_view tabBarColorHex = "2F3437";

    struct Tab {
        std::string_view title;
        std::string_view image;
        std::string_view selectedImage;
        std::string_view rootScreen;
    };
    static constexpr std::array<Tab, 4> tabs { {
        { "收款", "TabbarReceivable", "TabbarReceivableOn", "ReceivableViewController" },
        { "会员", "TabbarVip", "TabbarVipOn", "VipViewController" },
        { "卡券", "TabbarCard", "TabbarCardOn", "CardVolumeStatisticViewController" },
        { "设置", "IconSetting", "IconSettingOn", "SettingViewController" },
    } };

    // Registers "Main" in kit::Registry::shared().
    static void registerScreens();
};
