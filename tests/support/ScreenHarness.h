#pragma once

#include "platform/foundation/Subscription.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/View.h"
#include "platform/kit/ViewController.h"
#include "platform/kit/Window.h"
#include "support/AlertRecorder.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace foundation {
class VirtualClock;
}

namespace support {

// Drives screens the way a person would, on a virtual clock, in a settings
// home of its own. One harness at a time: it owns the process-wide state
// (main loop, clock, screen, window, application, text measurer, registry)
// for its lifetime and puts it back when it goes.
//
//     support::ScreenHarness h;
//     h.show(std::make_shared<SomeScreen>());
//     h.tapTitle("确定");
//     h.advance(2.0);
//     EXPECT_EQ(h.labelText("amountLabel"), "0.00");
class ScreenHarness {
public:
    ScreenHarness();
    ~ScreenHarness();
    ScreenHarness(const ScreenHarness&) = delete;
    ScreenHarness& operator=(const ScreenHarness&) = delete;

    const std::shared_ptr<kit::Window>& window() const { return m_window; }
    const std::filesystem::path& home() const { return m_home; }
    const std::shared_ptr<foundation::VirtualClock>& clock() const { return m_clock; }

    // Makes the controller the window's root and lets it appear.
    void show(const std::shared_ptr<kit::ViewController>& controller);

    // Time. Neither sleeps.
    void runUntilIdle();
    void advance(double seconds);

    // Finding views in the window (depth first, back to front).
    std::shared_ptr<kit::View> find(const std::string& name) const;
    template<class T> std::shared_ptr<T> find(const std::string& name) const
    {
        return std::dynamic_pointer_cast<T>(find(name));
    }
    template<class T> std::vector<std::shared_ptr<T>> findAll() const
    {
        std::vector<std::shared_ptr<T>> found;
        collect(m_window, [&](const std::shared_ptr<kit::View>& v) {
            if (auto t = std::dynamic_pointer_cast<T>(v))
                found.push_back(t);
        });
        return found;
    }
    // The first shown button whose current title is `title`.
    std::shared_ptr<kit::Button> findButton(const std::string& title) const;
    // The text of the label with this name; fails the test when missing.
    std::string labelText(const std::string& name) const;
    // Every shown label's text, in tree order: for checks that a text is
    // somewhere on screen.
    std::vector<std::string> visibleTexts() const;

    // The window's tree, one view a line: type, name, frame in window
    // points, text or title, and whether it is hidden. For failure messages.
    std::string dumpTree() const;

    // A finger down and up at the centre of the view. It lands on whatever
    // is on top there, as a real one would: the tap fails the test (and
    // returns false) when the view is hidden, out of the window, or covered
    // by something that takes the touch, or when an alert is up.
    bool tap(kit::View& view);
    bool tap(const std::string& name);
    bool tapTitle(const std::string& buttonTitle);
    // Down on the view, then up away from it.
    bool tapAndSlideOff(kit::View& view);

    // Toasts: the toast component reports each text it shows here.
    static void recordToast(const std::string& text);
    const std::vector<std::string>& toasts() const;
    // The alerts that came up since the harness started, in order.
    const AlertRecorder& alerts() const { return m_alerts; }
    AlertRecorder& alerts() { return m_alerts; }

private:
    static void collect(const std::shared_ptr<kit::View>& root,
        const std::function<void(const std::shared_ptr<kit::View>&)>& visit);
    bool landOn(kit::View& view, graphics::Point& atWindowPoint);

    std::shared_ptr<foundation::VirtualClock> m_clock;
    std::filesystem::path m_home;
    std::shared_ptr<kit::Window> m_window;
    AlertRecorder m_alerts;
};

} // namespace support
