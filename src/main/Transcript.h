#pragma once

#include "platform/foundation/Subscription.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class ProgressHUD;

namespace kit {
class ViewController;
}

// The running account of what the user was shown: "screen CLASS" when the
// top screen changes, "toast TEXT", "alert TITLE", "hud TEXT",
// "hud-hide" and "notification TEXT" (a local notification presented, its
// body), plus whatever lines the program adds. Screens and overlays
// are looked at after every turn of the main loop, and again before any
// other line goes out, so the lines keep the order the user saw things in.
class Transcript {
public:
    using Sink = std::function<void(const std::string& line)>;

    explicit Transcript(Sink sink);
    ~Transcript();
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;

    // Any thread. On the main thread the screen and the overlays are looked
    // at first, so a change that came before this line is written before it.
    void line(const std::string& text);
    // Main thread: writes what changed on screen since the last look.
    void refresh();

private:
    void write(const std::string& text);
    void refreshScreen();
    void refreshOverlays();

    Sink m_sink;
    std::mutex m_writeMutex;
    bool m_refreshing = false;
    std::weak_ptr<kit::ViewController> m_topScreen;
    bool m_hadTopScreen = false;
    std::vector<std::weak_ptr<ProgressHUD>> m_shownHuds;
    foundation::Subscription m_toasts;
    foundation::Subscription m_alerts;
    foundation::Subscription m_notifications;
    foundation::Subscription m_endOfTurn;
};
