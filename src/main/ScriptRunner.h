#pragma once

#include "main/WindowInput.h"
#include "platform/foundation/Result.h"

#include <functional>
#include <istream>
#include <memory>
#include <string>

class Transcript;

namespace capture {
class MemoryFrameSource;
}

namespace kit {
class View;
class Window;
} // namespace kit

// Drives the running app from a script, one command a line, the way a
// person at the phone would: taps, drags, typing, alert buttons, rows,
// pulls, the camera, and waits. What the user is shown goes to the transcript; a command
// that cannot be done ends the run.
//
//     tap loginBtn          type userNameField boss       alert 1
//     idle                  show                          shot /tmp/a.png
//
// Main thread only.
class ScriptRunner {
public:
    struct Environment {
        Transcript* transcript = nullptr;
        // Requests sent and not yet answered; `idle` waits for none.
        std::function<int()> inFlight;
        // The stand-in camera the scanner reads from; `scan` needs it.
        std::shared_ptr<capture::MemoryFrameSource> camera;
        // Tests run the main loop on virtual time: waits then move the clock
        // instead of letting real time pass.
        bool virtualTime = false;
        double idleLimit = 15;
        // Someone typing at a terminal gets to try again after a mistake;
        // the status still says a command failed.
        bool stopAtError = true;
        // Nothing runs while a terminal waits for the next line, so there
        // each command also waits for the replies it asked for.
        bool idleAfterEachCommand = false;
        // Work on worker threads that reaches the main loop by itself, in
        // real time (a request on its way through the HTTP engine's queue):
        // on virtual time `idle` waits for it before moving the clock.
        std::function<bool()> workersBusy = nullptr;
    };

    static constexpr int exitOk = 0;
    static constexpr int exitCommandFailed = 2;

    explicit ScriptRunner(Environment environment);

    // Every line in turn; stops at the first command that cannot be done
    // (unless told to go on), after writing "error LINE: reason".
    int run(std::istream& script);
    // One line of a script; false after writing its error line.
    bool runLine(int lineNumber, const std::string& line);

private:
    foundation::Result<void> execute(const std::string& command, const std::string& rest);

    foundation::Result<void> tap(const std::string& name);
    foundation::Result<void> frame(const std::string& name);
    foundation::Result<void> drag(const std::string& rest);
    foundation::Result<void> type(const std::string& rest);
    foundation::Result<void> editField(const std::string& name, bool clear);
    foundation::Result<void> keys(const std::string& text);
    foundation::Result<void> key(const std::string& name);
    foundation::Result<void> tab(const std::string& index);
    foundation::Result<void> back();
    foundation::Result<void> row(const std::string& rest);
    foundation::Result<void> alertType(const std::string& rest);
    foundation::Result<void> alertButton(const std::string& index);
    foundation::Result<void> scan(const std::string& code, bool isImageFile);
    foundation::Result<void> pickDate(const std::string& day);
    foundation::Result<void> pull(bool down);
    foundation::Result<void> wait(const std::string& seconds);
    foundation::Result<void> idle();
    // The app goes to the background (or comes back), as when its window is
    // iconified (or shown again).
    foundation::Result<void> enterBackground(bool background);
    // A hook for tests, not a person's action: the agent requests made from
    // now on show a local notification when they fail in the background,
    // which the app itself never asks for.
    foundation::Result<void> notifyOnError(const std::string& onOrOff);
    foundation::Result<void> show();
    foundation::Result<void> shot(const std::string& file);

    std::shared_ptr<kit::Window> window() const;
    // A shown control by outlet name, else a shown view of that name that
    // takes touches, else a shown button with that title.
    std::shared_ptr<kit::View> findTarget(const std::string& name) const;
    // Lets content that coasts or springs back after a release come to rest.
    void settleScrolling();
    // Whether the window is still on its way to rest by itself: an animation
    // with a completion to run, or a toast up.
    bool isSettling() const;
    // Runs whatever is due now, then lets `seconds` pass.
    void settle();
    void letTimePass(double seconds);
    // Keeps the main loop turning until `done` or until `wallSeconds` of real
    // time have gone, for work that other threads hand to the main queue.
    void runUntilOrTimeout(const std::function<bool()>& done, double wallSeconds);

    Environment m_environment;
    // The window's keyboard, for `keys` and `key`.
    WindowInput m_keyboard;
};
