#include "app/MainStoryboard.h"

#include "app/HomeViewController.h"
#include "app/PlaceholderViewController.h"
#include "platform/kit/NavigationBar.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "platform/kit/TabBar.h"
#include "ui/BaseViewController.h"
#include "ui/ColorUtil.h"
#include "ui/SetKeyViewController.h"
#include "ui/SettingViewController.h"
#include "ui/UpdatePwdViewController.h"

#include <string>
#include <vector>

void MainStoryboard::registerScreens()
{
    auto& registry = kit::Registry::shared();
    // The settings tab and the screens it opens live with the shell.
    registry.registerController(std::string(SettingViewController::nibName),
        [] { return std::make_shared<SettingViewController>(); });
    registry.registerController(std::string(UpdatePwdViewController::nibName),
        [] { return std::make_shared<UpdatePwdViewController>(); });
    registry.registerController(
        std::string(SetKeyViewController::nibName), [] { return std::make_shared<SetKeyViewController>(); });
    registry.registerController(std::string(name), [] {
        auto home = std::make_shared<HomeViewController>();
        std::vector<std::shared_ptr<kit::ViewController>> stacks;
        for (const auto& tab : tabs) {
            auto root = kit::Registry::shared().instantiate(std::string(tab.rootScreen));
            if (!root)
                root = std::make_shared<PlaceholderViewController>(std::string(tab.title));
            auto stack = std::make_shared<kit::NavigationController>(root);
            // The bars start green: the collect tab never runs the screens'
            // shared appearance step that makes them so, and its white bill
            // icon must show from the first start.
            stack->navigationBar()->setBackgroundImage(
                ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex(BaseViewController::barColorHex)));
            // White titles on the green, as the screens' own title labels are.
            stack->navigationBar()->setTitleTextColor(graphics::Color::white());
            stacks.push_back(std::move(stack));
        }
        home->setViewControllers(std::move(stacks));
        // Dark, so that the white tab titles read on it.
        home->tabBar()->setBackgroundColor(ColorUtil::getUIColorByHex(tabBarColorHex));
        return home;
    });
}
