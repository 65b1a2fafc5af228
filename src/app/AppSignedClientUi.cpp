#include "app/AppSignedClientUi.h"

#include "app/AppDelegate.h"
#include "hud/ProgressHUD.h"
#include "ui/BaseViewController.h"
#include "ui/PromptUtil.h"

namespace {

std::shared_ptr<BaseViewController> currentScreen()
{
    auto app = AppDelegate::shared();
    return app ? app->currentController() : nullptr;
}

} // namespace

std::shared_ptr<void> AppSignedClientUi::showProgressDialog(const std::optional<std::string>& text)
{
    return PromptUtil::showProgressDialog(text);
}

void AppSignedClientUi::closeProgressDialog(const std::shared_ptr<void>& progress)
{
    // Only what showProgressDialog returned comes back here.
    if (progress)
        PromptUtil::closeProgressDialog(std::static_pointer_cast<ProgressHUD>(progress));
}

void AppSignedClientUi::toast(const std::string& text)
{
    PromptUtil::toast(text);
}

void AppSignedClientUi::setReceivableKey()
{
    if (auto screen = currentScreen())
        screen->setReceivableKey();
}

void AppSignedClientUi::setMemberKey()
{
    if (auto screen = currentScreen())
        screen->setMemberKey();
}
