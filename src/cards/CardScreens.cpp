#include "cards/CardScreens.h"

#include "cards/AliCouponListViewController.h"
#include "cards/AliWxCardDetailViewController.h"
#include "cards/CardVolumeDetailViewController.h"
#include "cards/CardVolumeStatisticViewController.h"
#include "cards/CardVolumnRecordViewController.h"
#include "cards/ChooseCardVolumeViewController.h"
#include "cards/InputRemarkViewController.h"
#include "cards/SendCardViewController.h"
#include "cards/WxCouponListViewController.h"
#include "platform/kit/Registry.h"

#include <string>

namespace {

template<class Screen> void add(kit::Registry& registry)
{
    registry.registerController(std::string(Screen::nibName), [] { return std::make_shared<Screen>(); });
}

} // namespace

void CardScreens::registerScreens()
{
    auto& registry = kit::Registry::shared();
    add<CardVolumeStatisticViewController>(registry);
    add<CardVolumnRecordViewController>(registry);
    add<CardVolumeDetailViewController>(registry);
    add<AliWxCardDetailViewController>(registry);
    add<SendCardViewController>(registry);
    add<ChooseCardVolumeViewController>(registry);
    add<AliCouponListViewController>(registry);
    add<WxCouponListViewController>(registry);
    add<InputRemarkViewController>(registry);
}
