#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/kit/Window.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kit {
class AlertView;
class TextField;
} // namespace kit
class ScanViewController;

// What a mouse and a keyboard do to the app in a desktop window: the mouse
// is the finger (its drags scroll as a finger's do), the wheel scrolls what
// is under the pointer, typed and pasted text goes to the input that has
// the keyboard. Alerts are painted, not views, so while one is up the
// keyboard works it instead: text goes to its selected field, Tab selects
// the next field, Return presses its first button and Escape its last.
// Without an alert, Tab (Shift+Tab back) moves the keyboard to the screen's
// next field in reading order, as a desktop user expects.
// Keys typed while no input has the keyboard go to the code scanner when it
// is the screen shown, as from a hand-held scanner that types what it
// reads: its line under the viewfinder shows them, Backspace and Escape
// mend it, Return hands it over. On other screens they do nothing.
// Main thread only.
class WindowInput {
public:
    // Pasted text beyond this many bytes is cut off (at a character's end).
    static constexpr std::size_t maximumPaste = 64 * 1024;

    // Positions are in window points; timestamps are on the main loop's
    // clock (Window::currentTime for now).
    void pointerDown(kit::Window& window, graphics::Point point, double timestamp = kit::Window::currentTime);
    void pointerMove(kit::Window& window, graphics::Point point, double timestamp = kit::Window::currentTime);
    void pointerUp(kit::Window& window, graphics::Point point, double timestamp = kit::Window::currentTime);
    // Points to scroll at the pointer: positive dy moves the content up,
    // positive dx moves it left.
    void wheel(kit::Window& window, graphics::Point point, double dx, double dy);

    void text(kit::Window& window, const std::string& utf8);
    // Clipboard text, inserted in one go as a paste is.
    void paste(kit::Window& window, std::string_view clipboard);
    void backspace(kit::Window& window);
    void enter(kit::Window& window);
    void escape(kit::Window& window);
    void tab(kit::Window& window, bool backward = false);

    // The text a key stands for when no input method says: Latin-1 and
    // Unicode key symbols, as UTF-8; empty for every other key.
    static std::string keysymText(std::uint32_t keysym);
    // Clipboard text made fit for an input: invalid UTF-8 and control
    // characters go, line breaks and tabs become spaces in a one-line
    // field, and it is cut to maximumPaste bytes.
    static std::string pasteText(std::string_view clipboard, bool multiline);

private:
    std::shared_ptr<kit::TextField> alertField() const;
    // The scanner, when no input has the keyboard and it is the screen shown.
    static std::shared_ptr<ScanViewController> codeScanner(kit::Window& window);

    bool m_pointerDown = false;
    // The alert button the pointer went down on: a click presses it only
    // when it also comes up there, as a finger's tap does.
    int m_alertButtonDown = -1;
    std::weak_ptr<kit::AlertView> m_alertDown;
};
