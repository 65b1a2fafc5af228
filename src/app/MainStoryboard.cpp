#include "app/MainStoryboard.h"

#include "app/HomeViewController.h"
#include "app/PlaceholderViewController.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "platform/kit/TabBar.h"
#include "ui/ColorUtil.h"

#include <string>
#include <vector>

void MainStoryboard::registerScreens()
{
    kit::Registry::shared().registerController(std::string(name), [] {
        auto home = std::make_shared<HomeViewController>();
        std::vector<std::shared_ptr<kit::ViewController>> stacks;
        for (const auto& tab : tabs) {
            auto root = kit::Registry::shared().instantiate(std::string(tab.rootScreen));
            if (!root)
                root = std::make_shared<PlaceholderViewController>(std::string(tab.title));
            stacks.push_back(std::make_shared<kit::NavigationController>(root));
        }
        home->setViewControllers(std::move(stacks));
        // Dark, so that the white tab titles read on it.
        home->tabBar()->setBackgroundColor(ColorUtil::getUIColorByHex(tabBarColorHex));
        return home;
    });
}
