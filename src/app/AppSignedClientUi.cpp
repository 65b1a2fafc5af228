#include "app/AppSignedClientUi.h"

#include "app/AppDelegate.h"
#include "hud/ProgressHUD.h"
#include "ui/BaseViewController.h"
#include "ui/PromptUtil.h"

namespace {

// The recorded screen, while it is the one shown. It may have been left
// (popped, or on another tab), or be none at all after a fresh start on tabs
// that record nothing (collect, settings): the alert then opens on the
// screen the person is on, whose stack the sign-in after a new collection
// pair goes onto, so the key can always be entered again.
std::shared_ptr<BaseViewController> keyAlertScreen()
{
    auto app = AppDelegate::shared();
    if (!app)
        return nullptr;
    auto shown = app->shownScreen();
    return shown ? shown : app->currentController();
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
    if (auto screen = keyAlertScreen())
        screen->setReceivableKey();
}

void AppSignedClientUi::setMemberKey()
{
    if (auto screen = keyAlertScreen())
        screen->setMemberKey();
}
