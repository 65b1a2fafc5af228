#include "ui/PromptUtil.h"

#include "hud/ProgressHUD.h"
#include "hud/ToastView.h"
#include "platform/kit/Application.h"
#include "platform/kit/Window.h"

namespace {

// The application's main window: the key one, else the first one made.
std::shared_ptr<kit::Window> applicationWindow()
{
    auto* application = kit::Application::sharedApplication();
    if (!application)
        return nullptr;
    if (auto key = application->keyWindow())
        return key;
    auto windows = application->windows();
    return windows.empty() ? nullptr : windows.front();
}

} // namespace

std::shared_ptr<ProgressHUD> PromptUtil::showProgressDialog(const std::optional<std::string>& text)
{
    auto window = applicationWindow();
    auto hud = ProgressHUD::initWithView(window);
    if (window)
        window->addSubview(hud);
    hud->setUserInteractionEnabled(false);
    // Every request opens an overlay; a hidden one left in the window would
    // pile up over a day of takings.
    hud->setRemoveFromSuperViewOnHide(true);
    hud->show(true);
    if (text && !text->empty())
        hud->setLabelText(text);
    return hud;
}

void PromptUtil::closeProgressDialog(const std::shared_ptr<ProgressHUD>& hud)
{
    if (hud)
        hud->hide(true);
}

void PromptUtil::toast(const std::optional<std::string>& text)
{
    ToastView::makeText(text)->setGravity(ToastGravityCenter).setDuration(1000).show();
}
