#include "main/Transcript.h"

#include "hud/ProgressHUD.h"
#include "hud/ToastView.h"
#include "main/ScreenInspector.h"
#include "platform/foundation/RunLoop.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Application.h"
#include "platform/kit/LocalNotification.h"
#include "platform/kit/Window.h"

#include <algorithm>

namespace {

void collectShownHuds(
    const std::shared_ptr<kit::View>& view, std::vector<std::shared_ptr<ProgressHUD>>& found)
{
    if (auto hud = std::dynamic_pointer_cast<ProgressHUD>(view); hud && hud->showStarted())
        found.push_back(hud);
    for (const auto& sub : view->subviews())
        collectShownHuds(sub, found);
}

} // namespace

Transcript::Transcript(Sink sink)
    : m_sink(std::move(sink))
{
    // The subscriptions are members: none of these callbacks outlives `this`.
    m_toasts = ToastView::observeShown([this](const std::string& text) { line("toast " + text); });
    m_alerts = kit::AlertView::observe([this](kit::AlertView& alert, kit::AlertView::Event event, int) {
        if (event == kit::AlertView::Event::Shown)
            line("alert " + alert.title());
    });
    m_notifications = kit::Application::observeLocalNotifications([this](const kit::LocalNotification& shown) {
        auto const& body = shown.alertBody();
        line(body && !body->empty() ? "notification " + *body : std::string("notification"));
    });
    m_endOfTurn = foundation::RunLoop::main().addEndOfTurnHook([this] { refresh(); });
}

Transcript::~Transcript() = default;

void Transcript::line(const std::string& text)
{
    if (foundation::RunLoop::isMainThread())
        refresh();
    write(text);
}

void Transcript::write(const std::string& text)
{
    std::lock_guard lock(m_writeMutex);
    m_sink(text);
}

void Transcript::refresh()
{
    // A line written while looking (none today) must not look again.
    if (m_refreshing)
        return;
    m_refreshing = true;
    refreshScreen();
    refreshOverlays();
    m_refreshing = false;
}

void Transcript::refreshScreen()
{
    auto window = kit::Window::keyWindow();
    auto top = window ? ScreenInspector::topViewController(*window) : nullptr;
    if (top == m_topScreen.lock() && (top != nullptr) == m_hadTopScreen)
        return;
    m_topScreen = top;
    m_hadTopScreen = top != nullptr;
    if (top)
        write("screen " + ScreenInspector::className(*top));
}

void Transcript::refreshOverlays()
{
    std::vector<std::shared_ptr<ProgressHUD>> shown;
    if (auto window = kit::Window::keyWindow())
        collectShownHuds(window, shown);

    std::vector<std::weak_ptr<ProgressHUD>> kept;
    for (const auto& weak : m_shownHuds) {
        auto hud = weak.lock();
        if (hud && std::find(shown.begin(), shown.end(), hud) != shown.end())
            kept.push_back(weak);
        else
            write("hud-hide");
    }
    for (const auto& hud : shown) {
        bool known
            = std::any_of(kept.begin(), kept.end(), [&](const auto& weak) { return weak.lock() == hud; });
        if (known)
            continue;
        auto text = hud->labelText();
        write(text && !text->empty() ? "hud " + *text : std::string("hud"));
        kept.push_back(hud);
    }
    m_shownHuds = std::move(kept);
}
