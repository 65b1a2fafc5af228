// The cashier program in a real X window, on an Xvfb display of its own,
// driven by real pointer and key events (XTest) the way a person at the
// desktop would, and watched through pictures of the window and the
// transcript the program prints.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// After the test framework: Xlib's macros (None, Bool, Status) would
// otherwise rename its types.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A child process whose standard output and error go to files.
class Child {
public:
    Child(const std::vector<std::string>& arguments, const std::string& display,
        const std::filesystem::path& out)
        : m_out(out)
    {
        m_pid = fork();
        if (m_pid != 0)
            return;
        freopen(out.c_str(), "w", stdout);
        freopen((out.string() + ".err").c_str(), "w", stderr);
        if (!display.empty())
            setenv("DISPLAY", display.c_str(), 1);
        std::vector<char*> argv;
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }

    ~Child()
    {
        if (m_pid > 0 && !m_status) {
            kill(m_pid, SIGKILL);
            waitFor(5s);
        }
    }

    std::vector<std::string> lines() const
    {
        std::ifstream in(m_out);
        std::vector<std::string> all;
        for (std::string line; std::getline(in, line);)
            all.push_back(line);
        return all;
    }

    std::string transcript() const { return readFile(m_out) + readFile(m_out.string() + ".err"); }

    // Whether a line from line `from` on matches, within the limit.
    bool waitForLine(const std::function<bool(const std::string&)>& match, std::size_t from = 0,
        std::chrono::milliseconds limit = 15s) const
    {
        for (auto until = Clock::now() + limit; Clock::now() < until; std::this_thread::sleep_for(20ms)) {
            auto all = lines();
            for (std::size_t i = from; i < all.size(); ++i) {
                if (match(all[i]))
                    return true;
            }
        }
        return false;
    }

    bool waitForLine(const std::string& wanted, std::size_t from = 0) const
    {
        return waitForLine([&](const std::string& line) { return line == wanted; }, from);
    }

    // The exit status, or nothing if it still runs at the deadline.
    std::optional<int> waitFor(std::chrono::milliseconds limit)
    {
        for (auto until = Clock::now() + limit; !m_status && Clock::now() < until;) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid)
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            else
                std::this_thread::sleep_for(10ms);
        }
        return m_status;
    }

    // Processor seconds used so far: user and system time, fields 14 and
    // 15 of the process's stat line (after its parenthesised name).
    double cpuSeconds() const
    {
        std::string text = readFile("/proc/" + std::to_string(m_pid) + "/stat");
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::vector<std::string> words { std::istream_iterator<std::string>(fields), {} };
        if (words.size() < 13)
            return -1;
        return static_cast<double>(std::stol(words[11]) + std::stol(words[12]))
            / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

private:
    std::filesystem::path m_out;
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// The stand-in back end's answer to a POST of one of its test hooks, on the
// port the demo run keeps in its home; empty when it cannot be asked.
std::string askStandIn(const std::filesystem::path& home, const std::string& hook)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port
        = htons(static_cast<std::uint16_t>(std::atoi(readFile(home / "cache" / "demo-port").c_str())));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int sock = socket(AF_INET, SOCK_STREAM, 0);
    std::string reply,
        request = "POST /__stand-in/" + hook + " HTTP/1.1\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    if (sock >= 0 && connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && write(sock, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
        char buffer[4096];
        for (ssize_t n; (n = read(sock, buffer, sizeof buffer)) > 0;)
            reply.append(buffer, static_cast<std::size_t>(n));
    }
    if (sock >= 0)
        close(sock);
    return reply;
}

struct Frame {
    double x = 0, y = 0, width = 0, height = 0;
    double midX() const { return x + width / 2; }
    double midY() const { return y + height / 2; }
};

// The X server of the test and the program's window on it.
class Desktop {
public:
    explicit Desktop(const std::filesystem::path& dir)
    {
        // Xvfb picks a free display itself and writes its number here.
        int numbers[2];
        if (pipe(numbers) != 0)
            return;
        m_server = fork();
        if (m_server == 0) {
            dup2(numbers[1], 3);
            int quiet = open((dir / "xvfb.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (quiet >= 0) {
                dup2(quiet, STDOUT_FILENO);
                dup2(quiet, STDERR_FILENO);
            }
            execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "600x900x24", "-nolisten", "tcp",
                static_cast<char*>(nullptr));
            _exit(127);
        }
        ::close(numbers[1]);
        std::string number;
        char c;
        while (::read(numbers[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(numbers[0]);
        if (number.empty())
            return;
        m_name = ":" + number;
        m_display = XOpenDisplay(m_name.c_str());
    }

    ~Desktop()
    {
        if (m_display)
            XCloseDisplay(m_display);
        if (m_server > 0) {
            kill(m_server, SIGTERM);
            waitpid(m_server, nullptr, 0);
        }
    }

    Display* display() const { return m_display; }
    const std::string& name() const { return m_name; }

    // The program's window, once it is mapped (there is no window manager:
    // it is a child of the root).
    bool findWindow(std::chrono::milliseconds limit)
    {
        for (auto until = Clock::now() + limit; !m_window && Clock::now() < until;
             std::this_thread::sleep_for(20ms)) {
            ::Window root = DefaultRootWindow(m_display), parent = 0, *children = nullptr;
            unsigned count = 0;
            XQueryTree(m_display, root, &root, &parent, &children, &count);
            for (unsigned i = 0; i < count; ++i) {
                char* name = nullptr;
                XWindowAttributes attributes;
                if (XFetchName(m_display, children[i], &name) && std::string(name) == "cashier"
                    && XGetWindowAttributes(m_display, children[i], &attributes)
                    && attributes.map_state == IsViewable) {
                    m_window = children[i];
                    m_width = attributes.width;
                    m_height = attributes.height;
                }
                if (name)
                    XFree(name);
            }
            if (children)
                XFree(children);
        }
        return m_window != 0;
    }

    // Window pixels per point.
    double scale() const { return m_width / 320.0; }

    // How many pixels (0xRRGGBB) of a picture inside a frame pass a test.
    int count(const std::vector<std::uint32_t>& pixels, const Frame& f, bool (*match)(std::uint32_t)) const
    {
        int n = 0;
        for (int y = std::max(0, static_cast<int>(f.y * scale()));
             y < std::min(m_height, static_cast<int>((f.y + f.height) * scale())); ++y)
            for (int x = std::max(0, static_cast<int>(f.x * scale()));
                 x < std::min(m_width, static_cast<int>((f.x + f.width) * scale())); ++x)
                n += match(pixels[static_cast<std::size_t>(y * m_width + x)]);
        return n;
    }

    std::vector<std::uint32_t> picture()
    {
        std::vector<std::uint32_t> pixels;
        XImage* image = XGetImage(m_display, m_window, 0, 0, static_cast<unsigned>(m_width),
            static_cast<unsigned>(m_height), AllPlanes, ZPixmap);
        if (!image)
            return pixels;
        pixels.reserve(static_cast<std::size_t>(m_width * m_height));
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)));
        XDestroyImage(image);
        return pixels;
    }

    // The picture once the program has answered what was just sent (it
    // differs from `before`) and has come to rest (it holds still for a
    // moment); if nothing changes at all, the picture at the deadline.
    std::vector<std::uint32_t> pictureAfter(const std::vector<std::uint32_t>& before)
    {
        auto until = Clock::now() + 4s;
        auto now = picture();
        while (now == before && Clock::now() < until) {
            std::this_thread::sleep_for(25ms);
            now = picture();
        }
        return settled(now);
    }

    std::vector<std::uint32_t> settled(
        std::vector<std::uint32_t> now, std::chrono::milliseconds quiet = 150ms)
    {
        auto until = Clock::now() + 5s;
        auto stillSince = Clock::now();
        while (Clock::now() < until) {
            std::this_thread::sleep_for(25ms);
            auto next = picture();
            if (next != now) {
                now = std::move(next);
                stillSince = Clock::now();
            } else if (Clock::now() - stillSince >= quiet) {
                break;
            }
        }
        return now;
    }

    void moveTo(double x, double y)
    {
        XTestFakeMotionEvent(m_display, DefaultScreen(m_display), static_cast<int>(x * scale()),
            static_cast<int>(y * scale()), CurrentTime);
        XSync(m_display, False);
    }

    void button(bool down)
    {
        XTestFakeButtonEvent(m_display, 1, down ? True : False, CurrentTime);
        XSync(m_display, False);
    }

    // Points of the phone-sized screen, as the program lays it out.
    void click(double x, double y)
    {
        moveTo(x, y);
        button(true);
        std::this_thread::sleep_for(30ms);
        button(false);
    }

    void click(const Frame& frame) { click(frame.midX(), frame.midY()); }

    // A mouse drag at the pace of a quick swipe.
    void drag(double x1, double y1, double x2, double y2)
    {
        constexpr int steps = 12;
        moveTo(x1, y1);
        button(true);
        for (int i = 1; i <= steps; ++i) {
            std::this_thread::sleep_for(20ms);
            double t = static_cast<double>(i) / steps;
            moveTo(x1 + (x2 - x1) * t, y1 + (y2 - y1) * t);
        }
        button(false);
    }

    // One notch of the mouse wheel, down (towards later dates, further
    // down a list) or up.
    void wheel(bool down)
    {
        unsigned button = down ? 5 : 4;
        XTestFakeButtonEvent(m_display, button, True, CurrentTime);
        XTestFakeButtonEvent(m_display, button, False, CurrentTime);
        XSync(m_display, False);
    }

    void key(KeySym symbol)
    {
        KeyCode code = XKeysymToKeycode(m_display, symbol);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        XSync(m_display, False);
    }

    void type(const std::string& ascii)
    {
        for (char c : ascii) {
            key(c == '-' ? XK_minus : static_cast<KeySym>(c));
            std::this_thread::sleep_for(5ms);
        }
    }

    // Holds `text` on the clipboard as a desktop program would, presses
    // Ctrl+V, and answers the program's request for it as UTF-8 text.
    bool pasteFromClipboard(const std::string& text)
    {
        Atom clipboard = XInternAtom(m_display, "CLIPBOARD", False);
        Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
        ::Window owner = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 1, 1, 0, 0, 0);
        XSetSelectionOwner(m_display, clipboard, owner, CurrentTime);
        KeyCode control = XKeysymToKeycode(m_display, XK_Control_L);
        XTestFakeKeyEvent(m_display, control, True, CurrentTime);
        key(XK_v);
        XTestFakeKeyEvent(m_display, control, False, CurrentTime);
        XSync(m_display, False);
        bool answered = false;
        for (auto until = Clock::now() + 5s; !answered && Clock::now() < until;) {
            if (XPending(m_display) == 0) {
                std::this_thread::sleep_for(10ms);
                continue;
            }
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type != SelectionRequest)
                continue;
            XSelectionRequestEvent& request = event.xselectionrequest;
            XSelectionEvent reply {};
            reply.type = SelectionNotify;
            reply.requestor = request.requestor;
            reply.selection = request.selection;
            reply.target = request.target;
            reply.time = request.time;
            reply.property = None;
            if (request.target == utf8) {
                XChangeProperty(m_display, request.requestor, request.property, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
                reply.property = request.property;
                answered = true;
            }
            XSendEvent(m_display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
            XSync(m_display, False);
        }
        XDestroyWindow(m_display, owner);
        return answered;
    }

    // What the window manager's close button sends.
    void close()
    {
        XEvent event {};
        event.xclient.type = ClientMessage;
        event.xclient.window = m_window;
        event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
        XSendEvent(m_display, m_window, False, NoEventMask, &event);
        XSync(m_display, False);
    }

private:
    pid_t m_server = -1;
    std::string m_name;
    Display* m_display = nullptr;
    ::Window m_window = 0;
    int m_width = 0, m_height = 0;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "cashier-window-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    // Where the controls are: the same flow run headless, asked for frames
    // at the moments the window test presses them (a keyboard that came up
    // moves a screen's fields).
    std::map<std::string, Frame> framesFromHeadlessRun(const std::string& script)
    {
        std::ofstream(m_dir / "frames.txt") << script;
        Child run({ CASHIER_PROGRAM, "--demo", "--headless", "--home", (m_dir / "headless").string(),
                      "--script", (m_dir / "frames.txt").string() },
            {}, m_dir / "headless.err");
        EXPECT_EQ(run.waitFor(60s), 0) << run.transcript();
        std::map<std::string, Frame> frames;
        for (const auto& line : run.lines()) {
            std::istringstream in(line);
            std::string word, name;
            Frame f;
            if (in >> word >> name >> f.x >> f.y >> f.width >> f.height && word == "frame")
                frames[name] = f;
        }
        return frames;
    }

    // The share of a core the program uses over ten seconds left alone,
    // printed and recorded.
    double idleShare(const Child& app, const char* what, const char* property)
    {
        double before = app.cpuSeconds();
        std::this_thread::sleep_for(10s);
        double idle = (app.cpuSeconds() - before) / 10;
        std::printf("%s: %.2f%% of a core over 10 s\n", what, idle * 100);
        RecordProperty(property, std::to_string(idle * 100));
        return idle;
    }

    static double changedShare(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
    {
        if (a.size() != b.size() || a.empty())
            return 1;
        std::size_t differ = 0;
        for (std::size_t i = 0; i < a.size(); ++i)
            differ += a[i] != b[i];
        return static_cast<double>(differ) / static_cast<double>(a.size());
    }

    std::filesystem::path m_dir;
};

// The caret's blue (0x007aff), and the typed code's white.
bool caretBlue(std::uint32_t p)
{
    return (p >> 16 & 0xff) < 0x30 && (p >> 8 & 0xff) > 0x60 && (p >> 8 & 0xff) < 0xa0 && (p & 0xff) > 0xe0;
}
bool whiteInk(std::uint32_t p)
{
    return (p >> 16 & 0xff) > 0xc0 && (p >> 8 & 0xff) > 0xc0 && (p & 0xff) > 0xc0;
}

TEST_F(WindowTest,
    a_person_pages_the_guide_signs_in_takes_a_typed_barcode_payment_and_pulls_the_takings)
{
    auto frames = framesFromHeadlessRun(R"(drag 280 300 40 300
drag 280 300 40 300
drag 280 300 40 300
frame btnGoHome
tap btnGoHome
tap btnOne
alert-type 0 pay-demo-key
alert-type 1 paysecret2026
alert 0
frame tvUserName
type tvUserName boss
frame tvPassword
type tvPassword 123456
frame btnLogin
tap btnLogin
idle
frame btnOne
frame btnTwo
frame btnPoint
frame btnFive
frame btnBillList
tap btnOne
tap btnTwo
tap btnPoint
tap btnFive
frame btnOK
tap btnOK
idle
frame btnScan
tap btnScan
idle
scan 28012345678901231
idle
frame 返回
back
idle
tap btnFive
tap btnOK
idle
tap btnScan
idle
scan 2800000027
idle
back
frame 撤销订单
frame 继续等待
alert 0
idle
tap btnBillList
idle
frame tableView
frame btnChooseDate
tap btnChooseDate
frame datePicker
frame btnDateOK
)");
    for (const char* name : { "btnGoHome", "tvUserName", "tvPassword", "btnLogin", "btnOne", "btnPoint",
             "btnOK", "btnScan", "返回", "btnFive", "撤销订单", "继续等待", "btnBillList",
             "tableView", "datePicker", "btnDateOK" })
        ASSERT_TRUE(frames.contains(name)) << name << " was not found in the headless run";

    Desktop desktop(m_dir);
    ASSERT_NE(desktop.display(), nullptr) << "Xvfb did not start (is the xvfb package installed?)";
    Child app({ CASHIER_PROGRAM, "--demo", "--trace", "--home", (m_dir / "window").string() }, desktop.name(),
        m_dir / "window.out");
    ASSERT_TRUE(app.waitForLine("screen GuideViewController")) << app.transcript();
    ASSERT_TRUE(desktop.findWindow(10s)) << "no window named cashier appeared";
    auto page = desktop.settled(desktop.picture());

    // The four guide pages, one drag at a time; past the last it springs back.
    std::vector<std::vector<std::uint32_t>> pages { page };
    for (int turn = 1; turn <= 3; ++turn) {
        desktop.drag(280, 300, 40, 300);
        pages.push_back(desktop.pictureAfter(pages.back()));
        ASSERT_GT(changedShare(pages[pages.size() - 2], pages.back()), 0.05)
            << "drag " << turn << " did not turn the guide page";
    }
    EXPECT_GT(changedShare(pages[0], pages[3]), 0.05) << "the last page looks like the first";
    desktop.drag(280, 300, 40, 300);
    EXPECT_EQ(changedShare(desktop.pictureAfter(pages[3]), pages[3]), 0)
        << "the guide did not come back onto its last page";

    desktop.click(frames["btnGoHome"]);
    ASSERT_TRUE(app.waitForLine("screen ReceivableViewController")) << app.transcript();

    // A key without a collection key asks for one; the keyboard fills it in.
    std::size_t seen = app.lines().size();
    desktop.click(frames["btnOne"]);
    ASSERT_TRUE(app.waitForLine("alert 设置收款key", seen)) << app.transcript();
    desktop.type("pay-demo-key");
    desktop.key(XK_Tab);
    desktop.type("paysecret2026");
    desktop.key(XK_Return);
    ASSERT_TRUE(app.waitForLine("screen LoginViewController", seen)) << app.transcript();
    // The toast "设置成功！" sits over the fields until it goes by itself.
    desktop.settled(desktop.picture(), 1500ms);
    // The user name comes from the clipboard: Ctrl+V.
    desktop.click(frames["tvUserName"]);
    ASSERT_TRUE(desktop.pasteFromClipboard("boss")) << "the program never asked for the clipboard";
    desktop.click(frames["tvPassword"]);
    desktop.type("123456");
    seen = app.lines().size();
    desktop.click(frames["btnLogin"]);
    ASSERT_TRUE(app.waitForLine("toast 登录成功！", seen)) << app.transcript();
    ASSERT_TRUE(app.waitForLine("screen ReceivableViewController", seen)) << app.transcript();
    // Until the toast has gone by itself.
    auto keypad = desktop.settled(desktop.picture(), 1500ms);

    for (const char* key : { "btnOne", "btnTwo", "btnPoint", "btnFive" }) {
        desktop.click(frames[key]);
        auto typed = desktop.pictureAfter(keypad);
        EXPECT_GT(changedShare(keypad, typed), 0) << key << " changed nothing on screen";
        keypad = typed;
    }

    // A barcode payment at a desk without a camera: the scanner takes the
    // code from a hand-held scanner that types it and then Return.
    seen = app.lines().size();
    desktop.click(frames["btnOK"]);
    ASSERT_TRUE(app.waitForLine("screen ChoosePayWayViewController", seen)) << app.transcript();
    desktop.click(frames["btnScan"]);
    ASSERT_TRUE(app.waitForLine("screen ScanViewController", seen)) << app.transcript();
    desktop.type("28012345678901231");
    desktop.key(XK_Return);
    ASSERT_TRUE(app.waitForLine("screen PayResultViewController", seen)) << app.transcript();
    desktop.click(frames["返回"]);
    ASSERT_TRUE(app.waitForLine("screen ReceivableViewController", seen)) << app.transcript();

    // Leaving an order the customer may still pay asks first; the mouse
    // reaches each of the alert's buttons, not only the keys' first and last.
    auto cancelRequest = [](const std::string& line) {
        return line.rfind("request /PayApi/OfflinePay/cancel", 0) == 0;
    };
    auto statusPoll = [](const std::string& line) {
        return line.rfind("request /PayApi/OfflinePay/getOrderStatus", 0) == 0;
    };
    desktop.settled(desktop.picture(), 1500ms);
    seen = app.lines().size();
    desktop.click(frames["btnFive"]);
    desktop.click(frames["btnOK"]);
    ASSERT_TRUE(app.waitForLine("screen ChoosePayWayViewController", seen)) << app.transcript();
    desktop.click(frames["btnScan"]);
    ASSERT_TRUE(app.waitForLine("screen ScanViewController", seen)) << app.transcript();
    // A code the customer never confirms: the order stays waiting.
    desktop.type("2800000027");
    desktop.key(XK_Return);
    ASSERT_TRUE(app.waitForLine(statusPoll, seen)) << app.transcript();
    desktop.settled(desktop.picture(), 500ms);
    seen = app.lines().size();
    desktop.click(frames["返回"]);
    ASSERT_TRUE(app.waitForLine("alert 订单尚未支付", seen)) << app.transcript();
    desktop.settled(desktop.picture(), 300ms);
    desktop.click(frames["继续等待"]);
    // Still waiting: the screen polls on and nothing was cancelled.
    ASSERT_TRUE(app.waitForLine(statusPoll, app.lines().size())) << app.transcript();
    auto const afterWaiting = app.lines();
    for (std::size_t i = seen; i < afterWaiting.size(); ++i)
        EXPECT_FALSE(cancelRequest(afterWaiting[i])) << app.transcript();
    seen = app.lines().size();
    desktop.click(frames["返回"]);
    ASSERT_TRUE(app.waitForLine("alert 订单尚未支付", seen)) << app.transcript();
    desktop.settled(desktop.picture(), 300ms);
    desktop.click(frames["撤销订单"]);
    ASSERT_TRUE(app.waitForLine(cancelRequest, seen)) << app.transcript();
    ASSERT_TRUE(app.waitForLine("screen ReceivableViewController", seen)) << app.transcript();
    // Until the toast "撤销订单成功！" has gone by itself.
    desktop.settled(desktop.picture(), 1500ms);

    // The day's takings: pulled down far enough, the list asks again.
    auto orderList = [](const std::string& line) {
        return line.rfind("request /PayApi/OfflinePay/getOrderList", 0) == 0;
    };
    seen = app.lines().size();
    desktop.click(frames["btnBillList"]);
    ASSERT_TRUE(app.waitForLine("screen BillViewController", seen)) << app.transcript();
    ASSERT_TRUE(app.waitForLine(orderList, seen)) << app.transcript();
    auto list = desktop.settled(desktop.picture(), 500ms);
    seen = app.lines().size();
    const Frame& table = frames["tableView"];
    desktop.drag(table.midX(), table.y + 30, table.midX(), table.y + 250);
    EXPECT_TRUE(app.waitForLine(orderList, seen, 10s)) << "pulling the list down did not refresh it\n"
                                                       << app.transcript();
    list = desktop.settled(desktop.picture(), 500ms);

    // The date chooser turns by the wheel and by a drag on its wheels.
    desktop.click(frames["btnChooseDate"]);
    auto chooser = desktop.pictureAfter(list);
    const Frame& picker = frames["datePicker"];
    desktop.moveTo(picker.x + picker.width * 0.85, picker.midY());
    desktop.wheel(true);
    auto turned = desktop.pictureAfter(chooser);
    EXPECT_GT(changedShare(chooser, turned), 0) << "the mouse wheel did not turn the day";
    desktop.drag(picker.x + picker.width * 0.55, picker.midY(), picker.x + picker.width * 0.55,
        picker.midY() - picker.height * 0.45);
    EXPECT_GT(changedShare(turned, desktop.pictureAfter(turned)), 0) << "a drag did not turn the month";
    seen = app.lines().size();
    desktop.click(frames["btnDateOK"]);
    EXPECT_TRUE(app.waitForLine(orderList, seen, 10s)) << app.transcript();
    desktop.settled(desktop.picture(), 500ms);

    // Left alone, the window costs next to nothing.
    EXPECT_LT(idleShare(app, "idle window", "idle_cpu_percent"), 0.01);

    desktop.close();
    EXPECT_EQ(app.waitFor(10s), 0) << "closing the window did not end the program well:\n"
                                   << app.transcript();
}

// A code typed on the scanner went out with its Backspace in it, unseen;
// and no field showed where the typing went.
TEST_F(WindowTest, a_code_typed_with_a_backspace_goes_out_as_shown_and_only_the_field_in_edit_has_a_caret)
{
    // Signed in by a headless run of the same home, which also says where
    // the controls are.
    auto frames = framesFromHeadlessRun(R"(tap btnGoHome
tap btnOne
alert-type 0 pay-demo-key
alert-type 1 paysecret2026
alert 0
type tvUserName boss
type tvPassword 123456
tap btnLogin
idle
frame btnOne
tap btnOne
frame btnOK
tap btnOK
idle
frame btnScan
tap btnScan
idle
keys 1
frame labelTypedCode
frame 返回
key escape
back
idle
back
idle
frame 设置
tab 3
idle
frame btnUpdatePwd
tap btnUpdatePwd
idle
frame tvSourcePwd
frame tvNewPwd
frame tvConfirmNewPwd
)");
    for (const char* name : { "btnOne", "btnOK", "btnScan", "labelTypedCode", "返回", "设置", "btnUpdatePwd",
             "tvSourcePwd", "tvNewPwd", "tvConfirmNewPwd" })
        ASSERT_TRUE(frames.contains(name)) << name << " was not found in the headless run";

    Desktop desktop(m_dir);
    ASSERT_NE(desktop.display(), nullptr) << "Xvfb did not start (is the xvfb package installed?)";
    auto home = m_dir / "headless";
    Child app({ CASHIER_PROGRAM, "--demo", "--trace", "--home", home.string() }, desktop.name(),
        m_dir / "window.out");
    ASSERT_TRUE(app.waitForLine("screen ReceivableViewController")) << app.transcript();
    ASSERT_TRUE(desktop.findWindow(10s)) << "no window named cashier appeared";
    auto keypad = desktop.settled(desktop.picture());

    desktop.click(frames["btnOne"]);
    desktop.pictureAfter(keypad);
    std::size_t seen = app.lines().size();
    desktop.click(frames["btnOK"]);
    ASSERT_TRUE(app.waitForLine("screen ChoosePayWayViewController", seen)) << app.transcript();
    desktop.click(frames["btnScan"]);
    ASSERT_TRUE(app.waitForLine("screen ScanViewController", seen)) << app.transcript();
    auto empty = desktop.settled(desktop.picture(), 300ms);

    // The code shows under the viewfinder as it is typed, and Backspace takes
    // its last digit off; what goes out is what was shown.
    const Frame& line = frames["labelTypedCode"];
    desktop.type("2800000000000001");
    auto typed = desktop.pictureAfter(empty);
    desktop.key(XK_BackSpace);
    auto mended = desktop.pictureAfter(typed);
    EXPECT_GT(desktop.count(typed, line, whiteInk), desktop.count(empty, line, whiteInk) + 100);
    EXPECT_LT(desktop.count(mended, line, whiteInk), desktop.count(typed, line, whiteInk));
    desktop.type("8");
    desktop.key(XK_Return);
    ASSERT_TRUE(app.waitForLine("screen PayResultViewController", seen)) << app.transcript();
    std::string orders = askStandIn(home, "orders");
    EXPECT_NE(orders.find("\"dynamic_id\":\"2800000000000008\""), std::string::npos) << orders;

    // On the password change the caret blinks in the field in edit alone.
    for (const char* step : { "返回", "设置", "btnUpdatePwd" }) {
        desktop.settled(desktop.picture(), 300ms);
        desktop.click(frames[step]);
    }
    ASSERT_TRUE(app.waitForLine("screen UpdatePwdViewController", seen)) << app.transcript();
    desktop.settled(desktop.picture(), 300ms);
    desktop.click(frames["tvNewPwd"]);
    desktop.type("123456");
    std::map<std::string, int> lit;
    for (int i = 0; i < 12; std::this_thread::sleep_for(100ms), ++i) {
        auto now = desktop.picture();
        for (const char* field : { "tvSourcePwd", "tvNewPwd", "tvConfirmNewPwd" })
            lit[field] += desktop.count(now, frames[field], caretBlue) > 10;
    }
    EXPECT_GT(lit["tvNewPwd"], 0) << "no caret in the field in edit";
    EXPECT_LT(lit["tvNewPwd"], 12) << "the caret does not blink";
    EXPECT_EQ(lit["tvSourcePwd"] + lit["tvConfirmNewPwd"], 0) << "a caret where no typing goes";

    // Left alone with the caret blinking, the window still costs next to nothing.
    EXPECT_LT(idleShare(app, "idle window with a field in edit", "idle_caret_cpu_percent"), 0.01);

    desktop.close();
    EXPECT_EQ(app.waitFor(10s), 0) << app.transcript();
}

} // namespace
