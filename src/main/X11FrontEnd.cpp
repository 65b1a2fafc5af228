#include "main/X11FrontEnd.h"

#include "main/WindowInput.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/kit/Renderer.h"
#include "platform/kit/Screen.h"
#include "platform/kit/Window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>
#include <cmath>

// Closes what it opened, whichever way the run ends.
struct X11FrontEnd::Connection {
    Display* display = nullptr;
    ::Window window = 0;
    cairo_surface_t* surface = nullptr;
    Atom deleteWindow = None;

    ~Connection()
    {
        if (surface)
            cairo_surface_destroy(surface);
        if (display && window)
            XDestroyWindow(display, window);
        if (display)
            XCloseDisplay(display);
    }
};

namespace {

using Connection = X11FrontEnd::Connection;

class EventPump {
public:
    EventPump(Connection& connection, double scale, Atom deleteWindow)
        : m_connection(connection)
        , m_scale(scale)
        , m_deleteWindow(deleteWindow)
    {
    }

    // The X events queued since the last call, then one frame.
    void tick()
    {
        auto window = kit::Window::keyWindow();
        while (XPending(m_connection.display) > 0) {
            XEvent event;
            XNextEvent(m_connection.display, &event);
            if (window)
                handle(*window, event);
        }
        if (window)
            paint(*window);
    }

private:
    graphics::Point point(int x, int y) const { return { x / m_scale, y / m_scale }; }

    void handle(kit::Window& window, XEvent& event)
    {
        switch (event.type) {
        case ButtonPress:
            if (event.xbutton.button == Button1)
                m_input.pointerDown(window, point(event.xbutton.x, event.xbutton.y));
            break;
        case MotionNotify:
            m_input.pointerMove(window, point(event.xmotion.x, event.xmotion.y));
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1)
                m_input.pointerUp(window, point(event.xbutton.x, event.xbutton.y));
            break;
        case KeyPress:
            key(window, event.xkey);
            break;
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == m_deleteWindow)
                foundation::RunLoop::main().quit();
            break;
        default:
            break;
        }
    }

    void key(kit::Window& window, XKeyEvent& event)
    {
        char text[32] = {};
        KeySym symbol = NoSymbol;
        int length = XLookupString(&event, text, sizeof text - 1, &symbol, nullptr);
        switch (symbol) {
        case XK_Return:
        case XK_KP_Enter:
            m_input.enter(window);
            return;
        case XK_BackSpace:
            m_input.backspace(window);
            return;
        case XK_Escape:
            m_input.escape();
            return;
        case XK_Tab:
            m_input.tab();
            return;
        default:
            break;
        }
        // Without an input method the keyboard gives Latin-1: keep ASCII.
        std::string typed;
        for (int i = 0; i < length; ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (c >= 0x20 && c < 0x7f)
                typed += static_cast<char>(c);
        }
        m_input.text(window, typed);
    }

    void paint(kit::Window& window)
    {
        kit::View::runPendingPasses();
        cairo_t* cairo = cairo_create(m_connection.surface);
        cairo_set_source_rgb(cairo, 0, 0, 0);
        cairo_paint(cairo);
        cairo_scale(cairo, m_scale, m_scale);
        m_renderer.paint(window, cairo);
        cairo_destroy(cairo);
        cairo_surface_flush(m_connection.surface);
        XFlush(m_connection.display);
    }

    Connection& m_connection;
    double m_scale;
    Atom m_deleteWindow;
    WindowInput m_input;
    kit::Renderer m_renderer { 1.0 };
};

} // namespace

std::unique_ptr<X11FrontEnd> X11FrontEnd::open(double scale)
{
    if (!std::isfinite(scale) || scale <= 0)
        scale = defaultScale;
    auto connection = std::make_unique<Connection>();
    connection->display = XOpenDisplay(nullptr);
    if (!connection->display)
        return nullptr;
    Display* display = connection->display;
    int screen = DefaultScreen(display);
    auto bounds = kit::Screen::mainScreen().bounds();
    int width = static_cast<int>(std::lround(bounds.width() * scale));
    int height = static_cast<int>(std::lround(bounds.height() * scale));
    connection->window
        = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
            static_cast<unsigned>(height), 0, BlackPixel(display, screen), BlackPixel(display, screen));
    XStoreName(display, connection->window, "cashier");
    // A phone does not change size.
    XSizeHints hints {};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(display, connection->window, &hints);
    connection->deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, connection->window, &connection->deleteWindow, 1);
    XSelectInput(display, connection->window,
        ExposureMask | ButtonPressMask | ButtonReleaseMask | Button1MotionMask | KeyPressMask);
    XMapWindow(display, connection->window);
    connection->surface = cairo_xlib_surface_create(
        display, connection->window, DefaultVisual(display, screen), width, height);
    return std::unique_ptr<X11FrontEnd>(new X11FrontEnd(std::move(connection), scale));
}

X11FrontEnd::X11FrontEnd(std::unique_ptr<Connection> connection, double scale)
    : m_connection(std::move(connection))
    , m_scale(scale)
{
}

X11FrontEnd::~X11FrontEnd() = default;

void X11FrontEnd::run()
{
    // The loop sleeps between its own timers and posts; a frame timer looks
    // at the display's events and paints, about 30 times a second.
    EventPump pump(*m_connection, m_scale, m_connection->deleteWindow);
    auto frames = foundation::Timer::scheduledTimer(1.0 / 30, true, [&pump] { pump.tick(); });
    foundation::RunLoop::main().run();
    frames->invalidate();
}
