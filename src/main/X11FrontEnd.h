#pragma once

#include <memory>

// The app in a desktop window of the X display: the window of the app
// painted through the renderer whenever what it shows changed (an unchanged
// window costs nothing), the mouse as the finger and its wheel for
// scrolling, the keyboard (through the desktop's input method) for text,
// and Ctrl+V pasting the clipboard into the field being edited.
class X11FrontEnd {
public:
    static constexpr double defaultScale = 1.5;

    // Null when no display can be opened. Opened before the app starts, so
    // a failed start leaves no trace (the first-run guide is still to come).
    static std::unique_ptr<X11FrontEnd> open(double scale = defaultScale);
    ~X11FrontEnd();
    X11FrontEnd(const X11FrontEnd&) = delete;
    X11FrontEnd& operator=(const X11FrontEnd&) = delete;

    // Runs the main loop until the window is closed.
    void run();

    struct Connection;

private:
    X11FrontEnd(std::unique_ptr<Connection> connection, double scale);

    std::unique_ptr<Connection> m_connection;
    double m_scale;
};
