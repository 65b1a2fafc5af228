#include "main/ScriptRunner.h"

#include "api/NetUtil.h"
#include "hud/ToastView.h"
#include "main/ScreenInspector.h"
#include "main/Transcript.h"
#include "netengine/NetworkEngine.h"
#include "platform/capture/MemoryFrameSource.h"
#include "platform/capture/MetadataObjectType.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Application.h"
#include "platform/kit/BarButtonItem.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Button.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Renderer.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TabBar.h"
#include "platform/kit/TabBarController.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Window.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <condition_variable>
#include <ctime>
#include <optional>
#include <sstream>
#include <stop_token>
#include <thread>

namespace {

using foundation::Error;
using foundation::Result;

// Longer than the refresh controls' inset animations.
constexpr double pullSettleSeconds = 0.5;

std::pair<std::string, std::string> splitFirst(const std::string& text)
{
    auto space = text.find(' ');
    if (space == std::string::npos)
        return { text, {} };
    return { text.substr(0, space), text.substr(space + 1) };
}

std::optional<long> parseIndex(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

template<class T>
void collectVisible(const std::shared_ptr<kit::View>& view, std::vector<std::shared_ptr<T>>& found)
{
    if (!view || view->isHidden())
        return;
    if (auto typed = std::dynamic_pointer_cast<T>(view); typed && typed->isVisibleInWindow())
        found.push_back(typed);
    for (const auto& sub : view->subviews())
        collectVisible(sub, found);
}

template<class T> std::vector<std::shared_ptr<T>> visible(const std::shared_ptr<kit::View>& root)
{
    std::vector<std::shared_ptr<T>> found;
    collectVisible(root, found);
    return found;
}

template<class T>
std::shared_ptr<T> visibleNamed(const std::shared_ptr<kit::View>& root, const std::string& name)
{
    for (auto& view : visible<T>(root)) {
        if (view->name() == name)
            return view;
    }
    return nullptr;
}

Result<void> noAlertUp()
{
    if (auto alert = kit::AlertView::visibleAlert())
        return Error("the alert \"" + alert->title() + "\" covers the screen");
    return {};
}

// One keystroke a code point, as a keyboard sends them.
std::vector<std::string> keystrokes(const std::string& text)
{
    std::vector<std::string> keys;
    auto points = foundation::decodeUtf8(text);
    if (!points) {
        keys.push_back(text);
        return keys;
    }
    for (char32_t point : *points)
        keys.push_back(foundation::encodeUtf8(point));
    return keys;
}

// Keys go where the keyboard is, as a person's do: with `window`, a field
// that hands its editing to a screen of its own when touched (the members
// tab's search field, the purchase's remark) has the text typed on that
// screen. An alert's fields are not the window's, so they take keys directly.
template<class Input>
Result<void> typeInto(
    Input& input, const std::string& text, const std::function<void()>& settle, kit::Window* window = nullptr)
{
    if (!input.isFirstResponder() && !input.becomeFirstResponder())
        return Error("the field does not take the keyboard");
    settle();
    for (const auto& key : keystrokes(text)) {
        kit::View* responder = window ? window->firstResponder() : &input;
        if (auto* field = dynamic_cast<kit::TextField*>(responder))
            field->insertText(key);
        else if (auto* view = dynamic_cast<kit::TextView*>(responder))
            view->insertText(key);
        else
            return Error("the keyboard went away before the text was typed");
        settle();
    }
    return {};
}

} // namespace

ScriptRunner::ScriptRunner(Environment environment)
    : m_environment(std::move(environment))
{
}

int ScriptRunner::run(std::istream& script)
{
    settle();
    std::string line;
    int number = 0;
    bool failed = false;
    while (std::getline(script, line)) {
        ++number;
        if (!runLine(number, line)) {
            failed = true;
            if (m_environment.stopAtError)
                return exitCommandFailed;
        }
    }
    // What the last command set going is reported before the run ends.
    settle();
    return failed ? exitCommandFailed : exitOk;
}

bool ScriptRunner::runLine(int lineNumber, const std::string& rawLine)
{
    std::string line = rawLine;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#')
        return true;
    auto [command, rest] = splitFirst(line.substr(first));
    auto result = execute(command, rest);
    if (result.isError()) {
        m_environment.transcript->line(
            "error " + std::to_string(lineNumber) + ": " + result.error().message());
        return false;
    }
    settle();
    if (m_environment.idleAfterEachCommand)
        (void)idle();
    return true;
}

Result<void> ScriptRunner::execute(const std::string& command, const std::string& rest)
{
    if (!window())
        return Error("the app has no window");
    if (command == "tap")
        return tap(rest);
    if (command == "type")
        return type(rest);
    if (command == "clear")
        return editField(rest, true);
    if (command == "return")
        return editField(rest, false);
    if (command == "keys")
        return keys(rest);
    if (command == "key")
        return key(rest);
    if (command == "tab")
        return tab(rest);
    if (command == "back")
        return back();
    if (command == "row")
        return row(rest);
    if (command == "alert-type")
        return alertType(rest);
    if (command == "alert")
        return alertButton(rest);
    if (command == "scan")
        return scan(rest, false);
    if (command == "scan-image")
        return scan(rest, true);
    if (command == "pick-date")
        return pickDate(rest);
    if (command == "drag")
        return drag(rest);
    if (command == "frame")
        return frame(rest);
    if (command == "pull-down")
        return pull(true);
    if (command == "pull-up")
        return pull(false);
    if (command == "wait")
        return wait(rest);
    if (command == "idle")
        return idle();
    if (command == "show")
        return show();
    if (command == "shot")
        return shot(rest);
    if (command == "background")
        return enterBackground(true);
    if (command == "foreground")
        return enterBackground(false);
    if (command == "notify-on-error")
        return notifyOnError(rest);
    return Error("unknown command " + command);
}

std::shared_ptr<kit::Window> ScriptRunner::window() const
{
    return kit::Window::keyWindow();
}

std::shared_ptr<kit::View> ScriptRunner::findTarget(const std::string& name) const
{
    auto root = window();
    std::shared_ptr<kit::View> target = visibleNamed<kit::Control>(root, name);
    // Views that handle their own touches (the sign-in screen's check box)
    // are no controls, yet a finger presses them all the same.
    if (!target) {
        auto view = visibleNamed<kit::View>(root, name);
        if (view && view->isUserInteractionEnabled())
            target = view;
    }
    if (!target) {
        for (auto& button : visible<kit::Button>(root)) {
            if (button->currentTitle() == name)
                return button;
        }
    }
    return target;
}

Result<void> ScriptRunner::tap(const std::string& name)
{
    if (name.empty())
        return Error("tap needs a name or a title");
    TRY(noAlertUp());
    auto root = window();
    auto target = findTarget(name);
    if (!target)
        return Error("no visible control named or titled " + name);
    auto control = std::dynamic_pointer_cast<kit::Control>(target);
    if (control && !control->isEnabled())
        return Error(name + " is disabled");

    // A finger where the view is drawn, when nothing covers it there;
    // otherwise (scrolled off, under another view) a control's
    // touch-up-inside, so any named control can be pressed, as scripts
    // expect. Other views know only touches.
    kit::View::runPendingPasses();
    graphics::Point centre = target->convertPointToView(target->bounds().center(), nullptr);
    auto hit = root->hitTest(root->convertPointFromView(centre, nullptr));
    if (root->bounds().contains(centre) && hit && hit->isDescendantOfView(target.get())) {
        root->touchDown(centre);
        root->touchUp(centre);
    } else if (control) {
        control->sendActionsForControlEvents(kit::ControlEvent::TouchUpInside);
    } else {
        return Error(name + " is out of reach of a finger");
    }
    return {};
}

Result<void> ScriptRunner::frame(const std::string& name)
{
    if (name.empty())
        return Error("frame needs a name or a title");
    kit::View::runPendingPasses();
    std::optional<graphics::Rect> found;
    // An alert covers the screen: its buttons are what a finger reaches.
    if (auto alert = kit::AlertView::visibleAlert()) {
        auto layout = kit::layOutAlert(*alert, window()->bounds());
        for (int i = 0; i < static_cast<int>(layout.buttons.size()); ++i) {
            if (alert->buttonTitleAtIndex(i) == name)
                found = layout.buttons[i];
        }
    }
    if (!found) {
        // Labels too: where a text is shown is worth asking, not only
        // where a finger presses.
        auto target = findTarget(name);
        if (!target)
            target = visibleNamed<kit::View>(window(), name);
        if (!target)
            return Error("no visible view named, or control titled, " + name);
        found = target->convertRectToView(target->bounds(), nullptr);
    }
    const graphics::Rect& rect = *found;
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "%g %g %g %g", rect.x(), rect.y(), rect.width(), rect.height());
    m_environment.transcript->line("frame " + name + " " + numbers);
    return {};
}

Result<void> ScriptRunner::drag(const std::string& rest)
{
    std::istringstream in(rest);
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::string extra;
    if (!(in >> x1 >> y1 >> x2 >> y2) || (in >> extra) || !std::isfinite(x1) || !std::isfinite(y1)
        || !std::isfinite(x2) || !std::isfinite(y2))
        return Error("drag needs four numbers: from x y, to x y (window points)");
    TRY(noAlertUp());
    auto root = window();
    kit::View::runPendingPasses();
    // A finger moving steadily for a fifth of a second: fast enough to
    // flick a page over, as a person's swipe does.
    constexpr int steps = 8;
    constexpr double duration = 0.2;
    root->touchDown({ x1, y1 });
    settle();
    for (int i = 1; i <= steps; ++i) {
        letTimePass(duration / steps);
        double t = static_cast<double>(i) / steps;
        root->touchMove({ x1 + (x2 - x1) * t, y1 + (y2 - y1) * t });
        settle();
    }
    root->touchUp({ x2, y2 });
    settle();
    settleScrolling();
    return {};
}

void ScriptRunner::settleScrolling()
{
    // Content coasting or springing back comes to rest well within this.
    constexpr double limit = 3;
    constexpr double step = 0.05;
    for (double waited = 0; waited < limit; waited += step) {
        auto root = window();
        auto scrollViews
            = root ? visible<kit::ScrollView>(root) : std::vector<std::shared_ptr<kit::ScrollView>> {};
        bool moving = std::any_of(
            scrollViews.begin(), scrollViews.end(), [](const auto& view) { return view->isDecelerating(); });
        if (!moving)
            return;
        letTimePass(step);
    }
}

Result<void> ScriptRunner::type(const std::string& rest)
{
    auto [name, text] = splitFirst(rest);
    if (name.empty())
        return Error("type needs a field name and a text");
    TRY(noAlertUp());
    auto root = window();
    auto settleNow = [this] { settle(); };
    if (auto field = visibleNamed<kit::TextField>(root, name)) {
        if (auto typed = typeInto(*field, text, settleNow, root.get()); typed.isError())
            return Error(name + ": " + typed.error().message());
        return {};
    }
    if (auto view = visibleNamed<kit::TextView>(root, name)) {
        if (auto typed = typeInto(*view, text, settleNow, root.get()); typed.isError())
            return Error(name + ": " + typed.error().message());
        return {};
    }
    return Error("no visible field named " + name);
}

Result<void> ScriptRunner::editField(const std::string& name, bool clear)
{
    if (name.empty())
        return Error(std::string(clear ? "clear" : "return") + " needs a field name");
    TRY(noAlertUp());
    auto field = visibleNamed<kit::TextField>(window(), name);
    if (!field)
        return Error("no visible field named " + name);
    if (clear)
        field->clearText();
    else
        field->returnKey();
    return {};
}

// The window's keys, as a person at the desk types them: into the field in
// edit, the field of an alert that is up, else the scanner's code line.
Result<void> ScriptRunner::keys(const std::string& text)
{
    if (text.empty())
        return Error("keys needs a text");
    for (const auto& stroke : keystrokes(text)) {
        m_keyboard.text(*window(), stroke);
        settle();
    }
    return {};
}

Result<void> ScriptRunner::key(const std::string& name)
{
    auto& target = *window();
    if (name == "return")
        m_keyboard.enter(target);
    else if (name == "backspace")
        m_keyboard.backspace(target);
    else if (name == "escape")
        m_keyboard.escape(target);
    else if (name == "tab")
        m_keyboard.tab(target);
    else if (name == "shift-tab")
        m_keyboard.tab(target, true);
    else
        return Error("key needs return, backspace, escape, tab or shift-tab");
    return {};
}

Result<void> ScriptRunner::tab(const std::string& index)
{
    auto number = parseIndex(index);
    if (!number)
        return Error("tab needs a tab number");
    TRY(noAlertUp());
    auto top = ScreenInspector::topViewController(*window());
    auto tabs = top ? top->tabBarController() : nullptr;
    if (!tabs)
        tabs = std::dynamic_pointer_cast<kit::TabBarController>(window()->rootViewController());
    if (!tabs)
        return Error("no tabs on screen");
    if (tabs->isTabBarHidden())
        return Error("the tab bar is hidden");
    if (static_cast<std::size_t>(*number) >= tabs->viewControllers().size())
        return Error("there is no tab " + index);
    kit::View::runPendingPasses();
    const auto& buttons = tabs->tabBar()->itemButtons();
    if (static_cast<std::size_t>(*number) < buttons.size())
        buttons[static_cast<std::size_t>(*number)]->sendActionsForControlEvents(
            kit::ControlEvent::TouchUpInside);
    else
        tabs->setSelectedIndex(static_cast<std::size_t>(*number));
    return {};
}

Result<void> ScriptRunner::back()
{
    TRY(noAlertUp());
    auto top = ScreenInspector::topViewController(*window());
    auto navigation = top ? top->navigationController() : nullptr;
    if (!top || !navigation)
        return Error("no way back from this screen");
    // The screen's own back button first: screens put their leaving logic
    // there (a scanner stops its camera). Screens lead the left items with a
    // fixed space that pulls the button to the edge, so it need not be first.
    for (const auto& item : top->navigationItem()->leftBarButtonItems()) {
        if (auto button = std::dynamic_pointer_cast<kit::Control>(item->customView())) {
            button->sendActionsForControlEvents(kit::ControlEvent::TouchUpInside);
            return {};
        }
    }
    if (navigation->viewControllers().size() < 2 || top->navigationItem()->hidesBackButton())
        return Error("no way back from this screen");
    navigation->popViewControllerAnimated(true);
    return {};
}

Result<void> ScriptRunner::row(const std::string& rest)
{
    auto [rowText, sectionText] = splitFirst(rest);
    auto rowNumber = parseIndex(rowText);
    auto section = sectionText.empty() ? std::optional<long>(0) : parseIndex(sectionText);
    if (!rowNumber || !section)
        return Error("row needs a row number and may take a section number");
    TRY(noAlertUp());
    auto top = ScreenInspector::topViewController(*window());
    auto tables = visible<kit::TableView>(top ? top->view() : window());
    if (tables.empty())
        return Error("no list on screen");
    auto& table = *tables.front();
    if (*section >= table.numberOfSections()
        || *rowNumber >= table.numberOfRowsInSection(static_cast<int>(*section)))
        return Error("the list has no row " + rowText + " in section " + std::to_string(*section));
    if (!table.tapRowAtIndexPath({ static_cast<int>(*section), static_cast<int>(*rowNumber) }))
        return Error("row " + rowText + " does not take a tap");
    return {};
}

Result<void> ScriptRunner::alertType(const std::string& rest)
{
    auto [indexText, text] = splitFirst(rest);
    auto index = parseIndex(indexText);
    if (!index)
        return Error("alert-type needs a field number and a text");
    auto alert = kit::AlertView::visibleAlert();
    if (!alert)
        return Error("no alert is up");
    auto field = alert->textFieldAtIndex(static_cast<int>(*index));
    if (!field)
        return Error("the alert has no field " + indexText);
    // As a click on the field: the caret goes there.
    alert->selectTextField(static_cast<int>(*index));
    if (auto typed = typeInto(*field, text, [this] { settle(); }); typed.isError())
        return Error("alert field " + indexText + ": " + typed.error().message());
    return {};
}

Result<void> ScriptRunner::alertButton(const std::string& indexText)
{
    auto index = parseIndex(indexText);
    if (!index)
        return Error("alert needs a button number");
    auto alert = kit::AlertView::visibleAlert();
    if (!alert)
        return Error("no alert is up");
    if (*index >= alert->numberOfButtons())
        return Error("the alert has no button " + indexText);
    alert->pressButtonAtIndex(static_cast<int>(*index));
    return {};
}

Result<void> ScriptRunner::scan(const std::string& argument, bool isImageFile)
{
    if (argument.empty())
        return Error(isImageFile ? "scan-image needs a file" : "scan needs a code");
    auto& camera = m_environment.camera;
    auto top = ScreenInspector::topViewController(*window());
    if (!camera || !top || ScreenInspector::className(*top) != "ScanViewController")
        return Error("no scanner is open");
    if (isImageFile) {
        if (auto pushed = camera->pushImageFile(argument); pushed.isError())
            return Error("cannot read " + argument + ": " + pushed.error().message());
    } else {
        camera->injectCode(capture::MetadataObjectType::QRCode, argument);
    }
    if (!camera->waitUntilConsumed(std::chrono::seconds(5)))
        return Error("the scanner is not reading");
    // The scanner hands the code to the main thread from its own queue and
    // closes; wait for that, not for a fixed time.
    std::weak_ptr<kit::ViewController> scanner = top;
    runUntilOrTimeout(
        [this, scanner] {
            auto current = window() ? ScreenInspector::topViewController(*window()) : nullptr;
            return current != scanner.lock();
        },
        5);
    return {};
}

Result<void> ScriptRunner::pickDate(const std::string& day)
{
    int year = 0, month = 0, date = 0;
    char extra = 0;
    if (std::sscanf(day.c_str(), "%4d-%2d-%2d%c", &year, &month, &date, &extra) != 3 || month < 1 || month > 12
        || date < 1 || date > 31)
        return Error("pick-date needs a day as YYYY-MM-DD");
    TRY(noAlertUp());
    auto top = ScreenInspector::topViewController(*window());
    auto pickers = visible<kit::DatePicker>(top ? top->view() : window());
    if (pickers.empty())
        return Error("no date chooser on screen");
    auto& picker = *pickers.front();
    // The wheels move the day and leave the time of day as it was.
    std::time_t shown = static_cast<std::time_t>(picker.date());
    std::tm local {};
    localtime_r(&shown, &local);
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = date;
    local.tm_isdst = -1;
    std::tm wanted = local;
    std::time_t picked = std::mktime(&local);
    if (picked == -1 || local.tm_mday != wanted.tm_mday || local.tm_mon != wanted.tm_mon)
        return Error("there is no day " + day);
    picker.pickDate(static_cast<double>(picked));
    return {};
}

Result<void> ScriptRunner::pull(bool down)
{
    TRY(noAlertUp());
    auto top = ScreenInspector::topViewController(*window());
    auto lists = visible<kit::ScrollView>(top ? top->view() : window());
    // Text views scroll too, but nobody pulls them to refresh.
    std::erase_if(
        lists, [](const auto& view) { return dynamic_cast<kit::TextView*>(view.get()) != nullptr; });
    if (lists.empty())
        return Error("no list on screen");
    auto& list = *lists.front();
    constexpr double distance = 150;
    if (!down) {
        // A pull-up starts where the list ends.
        double bottom = list.contentSize().height + list.contentInset().bottom - list.bounds().height();
        list.setContentOffset({ list.contentOffset().x, std::max(-list.contentInset().top, bottom) });
        settle();
    }
    if (!list.beginDragging())
        return Error("the list does not scroll");
    settle();
    constexpr int steps = 6;
    for (int i = 0; i < steps; ++i) {
        list.dragBy(0, (down ? distance : -distance) / steps);
        settle();
    }
    list.endDragging();
    // The list springs back and a refresh starts once its inset has moved:
    // a released finger lets that happen before anything else.
    letTimePass(pullSettleSeconds);
    settleScrolling();
    return {};
}

Result<void> ScriptRunner::wait(const std::string& seconds)
{
    char* end = nullptr;
    double value = std::strtod(seconds.c_str(), &end);
    if (seconds.empty() || *end != '\0' || !std::isfinite(value) || value < 0 || value > 3600)
        return Error("wait needs seconds (0 to 3600)");
    letTimePass(value);
    return {};
}

Result<void> ScriptRunner::enterBackground(bool background)
{
    auto* application = kit::Application::sharedApplication();
    if (!application)
        return Error("the app is not running");
    bool const inBackground = application->applicationState() == kit::ApplicationState::Background;
    if (background == inBackground)
        return Error(background ? "the app is in the background already" : "the app is in front already");
    if (background)
        application->enterBackground();
    else
        application->enterForeground();
    return {};
}

Result<void> ScriptRunner::notifyOnError(const std::string& onOrOff)
{
    if (onOrOff != "on" && onOrOff != "off")
        return Error("notify-on-error takes on or off");
    bool const on = onOrOff == "on";
    // The engine's own way to make operations of another kind: the app's
    // requests stay as they are but for this one flag.
    NetUtil::sharedEngine()->registerOperationSubclass([on] {
        auto operation = std::make_shared<NetworkOperation>();
        operation->setShouldShowLocalNotificationOnError(on);
        return operation;
    });
    return {};
}

Result<void> ScriptRunner::idle()
{
    auto& loop = foundation::RunLoop::main();
    double deadline = loop.now() + m_environment.idleLimit;
    auto inFlight = [this] { return m_environment.inFlight ? m_environment.inFlight() : 0; };
    // Requests done is not yet a screen at rest: an overlay may still be
    // fading out and a toast still up, and a script's next `show` or `shot`
    // would find them there.
    auto settled = [&] { return inFlight() == 0 && !isSettling(); };
    for (;;) {
        loop.runUntilIdle();
        if (settled()) {
            // The last reply may have sent the next request.
            loop.runUntilIdle();
            if (settled())
                return {};
        }
        double remaining = deadline - loop.now();
        if (remaining <= 0)
            return {};
        auto workersBusy = [this] { return m_environment.workersBusy && m_environment.workersBusy(); };
        if (m_environment.virtualTime && workersBusy())
            runUntilOrTimeout([&] { return !workersBusy(); }, m_environment.idleLimit);
        else if (m_environment.virtualTime)
            loop.advance(std::min(remaining, 0.1));
        else
            runUntilOrTimeout(settled, remaining);
    }
}

bool ScriptRunner::isSettling() const
{
    if (kit::View::animationsUnderWay() > 0)
        return true;
    auto root = window();
    if (!root)
        return false;
    const auto& subviews = root->subviews();
    return std::any_of(subviews.begin(), subviews.end(),
        [](const auto& view) { return view->tag() == ToastView::toastTag; });
}

Result<void> ScriptRunner::show()
{
    kit::View::runPendingPasses();
    std::istringstream lines(ScreenInspector::describe(*window()));
    std::string line;
    while (std::getline(lines, line))
        m_environment.transcript->line(line);
    return {};
}

Result<void> ScriptRunner::shot(const std::string& file)
{
    if (file.empty())
        return Error("shot needs a file");
    kit::View::runPendingPasses();
    kit::Renderer renderer(kit::Screen::mainScreen().scale());
    if (!renderer.renderPngFile(*window(), file))
        return Error("cannot write " + file);
    return {};
}

void ScriptRunner::settle()
{
    foundation::RunLoop::main().runUntilIdle();
}

void ScriptRunner::letTimePass(double seconds)
{
    auto& loop = foundation::RunLoop::main();
    if (m_environment.virtualTime) {
        loop.advance(seconds);
        return;
    }
    double deadline = loop.now() + seconds;
    runUntilOrTimeout([&] { return loop.now() >= deadline; }, seconds);
    loop.runUntilIdle();
}

void ScriptRunner::runUntilOrTimeout(const std::function<bool()>& done, double wallSeconds)
{
    auto& loop = foundation::RunLoop::main();
    auto until = std::chrono::steady_clock::now()
        + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(wallSeconds));
    // The loop sleeps until work or a wake-up comes; this wakes it when the
    // time is up, and is stopped (and joined) as soon as the wait ends.
    std::mutex mutex;
    std::condition_variable_any timeUp;
    std::jthread waker([&](std::stop_token stop) {
        std::unique_lock lock(mutex);
        timeUp.wait_until(lock, stop, until, [] { return false; });
        loop.wakeUp();
    });
    loop.runUntil([&] { return done() || std::chrono::steady_clock::now() >= until; });
    waker.request_stop();
}
