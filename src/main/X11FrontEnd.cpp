#include "main/X11FrontEnd.h"

#include "main/DescriptorWatcher.h"
#include "main/WindowInput.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/Timer.h"
#include "platform/kit/Application.h"
#include "platform/kit/Caret.h"
#include "platform/kit/DisplayGeneration.h"
#include "platform/kit/Keyboard.h"
#include "platform/kit/Renderer.h"
#include "platform/kit/Screen.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <algorithm>
#include <bit>
#include <cairo.h>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

// Closes what it opened, whichever way the run ends.
struct X11FrontEnd::Connection {
    Display* display = nullptr;
    ::Window window = 0;
    Colormap colormap = 0;
    GC gc = nullptr;
    // Frames are painted here, then put on the window whole.
    cairo_surface_t* frame = nullptr;
    XImage* image = nullptr;
    Atom deleteWindow = None;
    Atom clipboard = None;
    Atom utf8String = None;
    Atom incremental = None;
    Atom pasteProperty = None;
    Atom wmState = None;
    Atom wmStateHidden = None;
    XIM inputMethod = nullptr;
    XIC inputContext = nullptr;

    ~Connection()
    {
        if (inputContext)
            XDestroyIC(inputContext);
        if (inputMethod)
            XCloseIM(inputMethod);
        if (image) {
            // The pixels are the frame surface's.
            image->data = nullptr;
            XDestroyImage(image);
        }
        if (frame)
            cairo_surface_destroy(frame);
        if (gc)
            XFreeGC(display, gc);
        if (display && window)
            XDestroyWindow(display, window);
        if (display && colormap)
            XFreeColormap(display, colormap);
        if (display)
            XCloseDisplay(display);
    }
};

namespace {

using Connection = X11FrontEnd::Connection;

// Faster than this the eye gains nothing and the processor pays.
constexpr double minimumFrameInterval = 1.0 / 60;

bool isUtf8Locale(const char* name)
{
    if (!name)
        return false;
    std::string text(name);
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text.find("utf-8") != std::string::npos || text.find("utf8") != std::string::npos;
}

// Typed text in UTF-8 needs a UTF-8 locale and an input method (a pinyin one
// where the desktop runs it, else the built-in one that maps keys alone).
void openInputMethod(Connection& connection)
{
    if (!isUtf8Locale(std::setlocale(LC_CTYPE, "")))
        std::setlocale(LC_CTYPE, "C.UTF-8");
    if (!XSupportsLocale())
        return;
    XSetLocaleModifiers("");
    connection.inputMethod = XOpenIM(connection.display, nullptr, nullptr, nullptr);
    if (!connection.inputMethod) {
        XSetLocaleModifiers("@im=none");
        connection.inputMethod = XOpenIM(connection.display, nullptr, nullptr, nullptr);
    }
    if (!connection.inputMethod)
        return;
    // The input method draws its own candidate window; the app shows the
    // text once it is chosen.
    XIMStyle wanted = XIMPreeditNothing | XIMStatusNothing;
    XIMStyle fallback = XIMPreeditNone | XIMStatusNone;
    XIMStyle chosen = 0;
    XIMStyles* styles = nullptr;
    if (!XGetIMValues(connection.inputMethod, XNQueryInputStyle, &styles, nullptr) && styles) {
        for (unsigned short i = 0; i < styles->count_styles; ++i) {
            XIMStyle style = styles->supported_styles[i];
            if (style == wanted || (style == fallback && chosen == 0))
                chosen = style;
        }
        XFree(styles);
    }
    if (chosen == 0)
        return;
    connection.inputContext = XCreateIC(connection.inputMethod, XNInputStyle, chosen, XNClientWindow,
        connection.window, XNFocusWindow, connection.window, nullptr);
}

std::string latin1ToUtf8(std::string_view text)
{
    std::string out;
    for (char c : text)
        out += foundation::encodeUtf8(static_cast<unsigned char>(c));
    return out;
}

// Reads the X connection when it has something, hands the events to the
// app, and paints the window at the end of a main-loop turn in which
// something it shows changed (or the display asked for a repaint).
class EventPump {
public:
    EventPump(Connection& connection, double scale)
        : m_connection(connection)
        , m_scale(scale)
    {
        auto& loop = foundation::RunLoop::main();
        m_endOfTurn = loop.addEndOfTurnHook([this] { paintIfChanged(); });
        m_watcher
            = std::make_unique<DescriptorWatcher>(ConnectionNumber(connection.display), [this] { drain(); });
        // The keys are the desk's keyboard: none comes up over the window,
        // so what a screen rests on the keyboard (the purchase's total and
        // OK) stays at the bottom, as on a phone with a hardware keyboard.
        kit::Keyboard::shared().setHeight(0);
        // The caret blinks on screen, as a phone's does.
        m_renderer.setCaretBlinks(true);
        // Events queued while the app started, and the first picture.
        m_exposed = true;
        postDrain();
    }

    ~EventPump()
    {
        m_watcher.reset();
        m_endOfTurn.reset();
        if (m_paintLater)
            m_paintLater->invalidate();
    }

    EventPump(const EventPump&) = delete;
    EventPump& operator=(const EventPump&) = delete;

private:
    graphics::Point point(int x, int y) const { return { x / m_scale, y / m_scale }; }

    void postDrain()
    {
        std::weak_ptr<int> alive = m_alive;
        foundation::RunLoop::main().post([this, alive] {
            if (!alive.expired())
                drain();
        });
    }

    void drain()
    {
        Display* display = m_connection.display;
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            // The input method takes the keys that make up a character.
            if (XFilterEvent(&event, None))
                continue;
            handle(event);
        }
    }

    // X server milliseconds on the main loop's clock, for the speed of a
    // drag; the two are tied at the first event and again whenever they
    // drift apart (the server's count wraps every 49 days).
    double eventTime(Time serverTime)
    {
        double now = foundation::RunLoop::main().now();
        double seconds = static_cast<double>(serverTime) / 1000.0;
        if (!m_timeBase || std::abs(*m_timeBase + seconds - now) > 1.0)
            m_timeBase = now - seconds;
        return std::min(*m_timeBase + seconds, now);
    }

    void handle(XEvent& event)
    {
        auto window = kit::Window::keyWindow();
        switch (event.type) {
        case Expose:
            m_exposed = true;
            break;
        case FocusIn:
            if (m_connection.inputContext)
                XSetICFocus(m_connection.inputContext);
            break;
        case FocusOut:
            if (m_connection.inputContext)
                XUnsetICFocus(m_connection.inputContext);
            break;
        case ButtonPress:
            if (window)
                button(*window, event.xbutton);
            break;
        case MotionNotify:
            if (window)
                m_input.pointerMove(
                    *window, point(event.xmotion.x, event.xmotion.y), eventTime(event.xmotion.time));
            break;
        case ButtonRelease:
            if (window && event.xbutton.button == Button1)
                m_input.pointerUp(
                    *window, point(event.xbutton.x, event.xbutton.y), eventTime(event.xbutton.time));
            break;
        case KeyPress:
            if (window)
                key(*window, event.xkey);
            break;
        case SelectionNotify:
            if (window)
                pasteArrived(*window, event.xselection);
            break;
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == m_connection.deleteWindow)
                foundation::RunLoop::main().quit();
            break;
        case MapNotify:
        case UnmapNotify:
            m_mapped = event.type == MapNotify;
            followVisibility();
            break;
        case PropertyNotify:
            if (event.xproperty.atom == m_connection.wmState) {
                m_hidden = isHidden();
                followVisibility();
            }
            break;
        default:
            break;
        }
    }

    void button(kit::Window& window, const XButtonEvent& event)
    {
        graphics::Point at = point(event.x, event.y);
        if (event.button == Button1) {
            m_input.pointerDown(window, at, eventTime(event.time));
            return;
        }
        // Wheel notches (and a touchpad's swipes, which arrive as notches):
        // 4 up, 5 down, 6 left, 7 right; with Shift the wheel goes sideways.
        double dx = 0;
        double dy = 0;
        constexpr double step = kit::ScrollView::wheelStep;
        switch (event.button) {
        case Button4:
            dy = -step;
            break;
        case Button5:
            dy = step;
            break;
        case 6:
            dx = -step;
            break;
        case 7:
            dx = step;
            break;
        default:
            return;
        }
        if (event.state & ShiftMask)
            std::swap(dx, dy);
        m_input.wheel(window, at, dx, dy);
    }

    void key(kit::Window& window, XKeyEvent& event)
    {
        KeySym symbol = NoSymbol;
        std::string typed;
        if (m_connection.inputContext) {
            char buffer[64];
            Status status = 0;
            int length = Xutf8LookupString(
                m_connection.inputContext, &event, buffer, sizeof buffer, &symbol, &status);
            if (status == XBufferOverflow && length > 0) {
                std::string longer(static_cast<std::size_t>(length), '\0');
                length = Xutf8LookupString(
                    m_connection.inputContext, &event, longer.data(), length, &symbol, &status);
                longer.resize(static_cast<std::size_t>(std::max(length, 0)));
                typed = longer;
            } else if ((status == XLookupChars || status == XLookupBoth) && length > 0) {
                typed.assign(buffer, static_cast<std::size_t>(length));
            }
            if (status == XLookupChars)
                symbol = NoSymbol;
        } else {
            char ignored[32];
            XLookupString(&event, ignored, sizeof ignored, &symbol, nullptr);
            typed = WindowInput::keysymText(static_cast<std::uint32_t>(symbol));
        }
        bool control = (event.state & ControlMask) != 0;
        if (control && (symbol == XK_v || symbol == XK_V)) {
            askForClipboard(event.time);
            return;
        }
        switch (symbol) {
        case XK_Return:
        case XK_KP_Enter:
            m_input.enter(window);
            return;
        case XK_BackSpace:
            m_input.backspace(window);
            return;
        case XK_Escape:
            m_input.escape(window);
            return;
        case XK_Tab:
        case XK_ISO_Left_Tab:
            m_input.tab(window, symbol == XK_ISO_Left_Tab || (event.state & ShiftMask) != 0);
            return;
        default:
            break;
        }
        // Other shortcuts type nothing, and neither do control characters.
        if (control)
            return;
        m_input.text(window, WindowInput::pasteText(typed, false));
    }

    void askForClipboard(Time time)
    {
        m_pasteTarget = m_connection.utf8String;
        XConvertSelection(m_connection.display, m_connection.clipboard, m_pasteTarget,
            m_connection.pasteProperty, m_connection.window, time);
    }

    // An iconified or hidden window is the app in the background (the
    // window manager unmaps it, or marks it hidden, or both); shown again,
    // the app is in front.
    void followVisibility()
    {
        auto* application = kit::Application::sharedApplication();
        if (!application)
            return;
        if (m_mapped && !m_hidden)
            application->enterForeground();
        else
            application->enterBackground();
    }

    bool isHidden() const
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_connection.display, m_connection.window, m_connection.wmState, 0, 64, False,
                XA_ATOM, &type, &format, &count, &after, &data)
            != Success)
            return false;
        std::unique_ptr<unsigned char, int (*)(void*)> owned(data, XFree);
        if (!data || type != XA_ATOM || format != 32)
            return false;
        auto const* states = reinterpret_cast<const Atom*>(data);
        return std::find(states, states + count, m_connection.wmStateHidden) != states + count;
    }

    void pasteArrived(kit::Window& window, const XSelectionEvent& event)
    {
        if (event.property == None) {
            // An owner that has no UTF-8 may still have Latin-1 text.
            if (m_pasteTarget == m_connection.utf8String) {
                m_pasteTarget = XA_STRING;
                XConvertSelection(m_connection.display, m_connection.clipboard, XA_STRING,
                    m_connection.pasteProperty, m_connection.window, event.time);
            }
            return;
        }
        Atom type = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        constexpr long words = static_cast<long>(WindowInput::maximumPaste / 4 + 1);
        if (XGetWindowProperty(m_connection.display, m_connection.window, m_connection.pasteProperty, 0,
                words, True, AnyPropertyType, &type, &format, &items, &after, &data)
            != Success)
            return;
        std::unique_ptr<unsigned char, int (*)(void*)> owned(data, XFree);
        // A transfer in pieces is far more text than any field takes.
        if (!data || type == m_connection.incremental || format != 8)
            return;
        std::string text(reinterpret_cast<const char*>(data), items);
        if (type == XA_STRING)
            text = latin1ToUtf8(text);
        m_input.paste(window, text);
    }

    void paintIfChanged()
    {
        kit::View::runPendingPasses();
        auto generation = kit::DisplayGeneration::current();
        auto blinks = kit::Caret::blinks();
        bool whole = m_exposed || m_painted != generation;
        if (!whole && m_blinksPainted == blinks)
            return;
        auto& loop = foundation::RunLoop::main();
        double now = loop.now();
        double wait = m_lastPaint + minimumFrameInterval - now;
        if (wait > 0) {
            // The turn the timer brings paints.
            if (!m_paintLater)
                m_paintLater
                    = foundation::Timer::scheduledTimer(wait, false, [this] { m_paintLater.reset(); });
            return;
        }
        auto window = kit::Window::keyWindow();
        if (!window)
            return;
        // Only the caret blinked: only its pixels are painted again.
        if (whole)
            paint(*window);
        else if (auto caret = kit::Renderer::caretRect(*window))
            paint(*window, caret);
        m_painted = generation;
        m_blinksPainted = blinks;
        m_exposed = false;
        m_lastPaint = now;
        // Xlib may have read events while it drew; the watcher sees only
        // what is still unread on the connection.
        if (XEventsQueued(m_connection.display, QueuedAlready) > 0)
            postDrain();
    }

    // Painted off screen, then put on the window, so it never shows half a
    // frame. With an area (points) only the pixels under it are painted
    // again and sent: the rest of the frame is as last painted, and a
    // caret's blink then costs next to nothing.
    void paint(kit::Window& window, const std::optional<graphics::Rect>& area = std::nullopt)
    {
        XImage& image = *m_connection.image;
        int x0 = 0, y0 = 0, x1 = image.width, y1 = image.height;
        if (area) {
            // Whole pixels around the area, and one more for its antialiased edge.
            x0 = std::max(0, static_cast<int>(std::floor(area->minX() * m_scale)) - 1);
            y0 = std::max(0, static_cast<int>(std::floor(area->minY() * m_scale)) - 1);
            x1 = std::min(image.width, static_cast<int>(std::ceil(area->maxX() * m_scale)) + 1);
            y1 = std::min(image.height, static_cast<int>(std::ceil(area->maxY() * m_scale)) + 1);
            if (x1 <= x0 || y1 <= y0)
                return;
        }
        cairo_t* cairo = cairo_create(m_connection.frame);
        cairo_rectangle(cairo, x0, y0, x1 - x0, y1 - y0);
        cairo_clip(cairo);
        cairo_set_source_rgb(cairo, 0, 0, 0);
        cairo_paint(cairo);
        cairo_scale(cairo, m_scale, m_scale);
        m_renderer.paint(window, cairo);
        cairo_destroy(cairo);
        cairo_surface_flush(m_connection.frame);
        XPutImage(m_connection.display, m_connection.window, m_connection.gc, &image, x0, y0, x0, y0,
            static_cast<unsigned>(x1 - x0), static_cast<unsigned>(y1 - y0));
        XFlush(m_connection.display);
    }

    Connection& m_connection;
    double m_scale;
    WindowInput m_input;
    kit::Renderer m_renderer { 1.0 };
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    foundation::Subscription m_endOfTurn;
    std::unique_ptr<DescriptorWatcher> m_watcher;
    std::optional<std::uint64_t> m_painted;
    std::uint64_t m_blinksPainted = 0;
    bool m_exposed = false;
    double m_lastPaint = -1;
    std::shared_ptr<foundation::Timer> m_paintLater;
    std::optional<double> m_timeBase;
    Atom m_pasteTarget = None;
    bool m_mapped = false;
    bool m_hidden = false;
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
    // Frames are 32-bit pixels of red, green and blue bytes, which a
    // true-colour visual of depth 24 takes as they are.
    XVisualInfo visual {};
    if (!XMatchVisualInfo(display, screen, 24, TrueColor, &visual) || visual.red_mask != 0xff0000
        || visual.green_mask != 0xff00 || visual.blue_mask != 0xff) {
        std::fprintf(stderr, "cashier: the display offers no 24-bit true-colour visual\n");
        return nullptr;
    }
    auto bounds = kit::Screen::mainScreen().bounds();
    int width = static_cast<int>(std::lround(bounds.width() * scale));
    int height = static_cast<int>(std::lround(bounds.height() * scale));
    ::Window root = RootWindow(display, screen);
    connection->colormap = XCreateColormap(display, root, visual.visual, AllocNone);
    XSetWindowAttributes attributes {};
    attributes.colormap = connection->colormap;
    attributes.background_pixel = 0;
    attributes.border_pixel = 0;
    connection->window
        = XCreateWindow(display, root, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
            visual.depth, InputOutput, visual.visual, CWColormap | CWBackPixel | CWBorderPixel, &attributes);
    connection->gc = XCreateGC(display, connection->window, 0, nullptr);
    connection->frame = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(connection->frame) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    connection->image = XCreateImage(display, visual.visual, static_cast<unsigned>(visual.depth), ZPixmap, 0,
        reinterpret_cast<char*>(cairo_image_surface_get_data(connection->frame)),
        static_cast<unsigned>(width), static_cast<unsigned>(height), 32,
        cairo_image_surface_get_stride(connection->frame));
    if (!connection->image)
        return nullptr;
    // cairo's pixels are in the machine's own byte order; Xlib swaps them
    // for a server that wants the other.
    connection->image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    XStoreName(display, connection->window, "cashier");
    // A phone does not change size.
    XSizeHints hints {};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(display, connection->window, &hints);
    connection->deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, connection->window, &connection->deleteWindow, 1);
    connection->clipboard = XInternAtom(display, "CLIPBOARD", False);
    connection->utf8String = XInternAtom(display, "UTF8_STRING", False);
    connection->incremental = XInternAtom(display, "INCR", False);
    connection->pasteProperty = XInternAtom(display, "CASHIER_PASTE", False);
    connection->wmState = XInternAtom(display, "_NET_WM_STATE", False);
    connection->wmStateHidden = XInternAtom(display, "_NET_WM_STATE_HIDDEN", False);
    openInputMethod(*connection);
    // Structure and property changes tell when the window is iconified or hidden.
    long mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | Button1MotionMask | KeyPressMask
        | FocusChangeMask | StructureNotifyMask | PropertyChangeMask;
    if (connection->inputContext) {
        long filtered = 0;
        if (!XGetICValues(connection->inputContext, XNFilterEvents, &filtered, nullptr))
            mask |= filtered;
    }
    XSelectInput(display, connection->window, mask);
    XMapWindow(display, connection->window);
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
    // The loop sleeps until the display has events or the app has work;
    // nothing looks at either on a timer.
    EventPump pump(*m_connection, m_scale);
    foundation::RunLoop::main().run();
}
