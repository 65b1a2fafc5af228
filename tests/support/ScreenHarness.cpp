#include "support/ScreenHarness.h"

#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/VirtualClock.h"
#include "platform/graphics/FakeTextMeasurer.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Application.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Screen.h"
#include "support/InputDriver.h"

#include <cstdlib>
#include <cxxabi.h>
#include <gtest/gtest.h>
#include <sstream>
#include <system_error>
#include <typeinfo>

namespace support {

namespace {

std::vector<std::string>& toastLog()
{
    static std::vector<std::string> log;
    return log;
}

std::filesystem::path makeTemporaryHome()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "cashier-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        ADD_FAILURE() << "cannot make a temporary home";
    return pattern;
}

} // namespace

ScreenHarness::ScreenHarness()
{
    // Code run before the harness (a plain test, a static) may have left
    // the keyboard up or resized, or alerts up or waiting.
    InputDriver::resetState();
    m_clock = foundation::RunLoop::main().useVirtualClock();
    m_home = makeTemporaryHome();
    foundation::Paths::setHome(m_home);
    foundation::UserDefaults::resetStandard();
    kit::Screen::mainScreen().reset();
    graphics::TextMeasurer::setShared(std::make_shared<graphics::FakeTextMeasurer>());
    toastLog().clear();
    kit::Application::launch(nullptr);
    m_window = std::make_shared<kit::Window>(kit::Screen::mainScreen().bounds());
    m_window->setBackgroundColor(graphics::Color::white());
    m_window->makeKeyAndVisible();
}

ScreenHarness::~ScreenHarness()
{
    // An alert left up or waiting must not be the next test's.
    kit::AlertView::discardAll();
    if (m_window)
        m_window->setRootViewController(nullptr);
    m_window.reset();
    kit::Application::terminate();
    // What the screens left queued (timers, replies) must not reach the
    // next test.
    foundation::RunLoop::main().reset();
    // The window went without its inputs resigning, so the keyboard may
    // still be up; and leaving screens may have shown alerts.
    InputDriver::resetState();
    kit::Registry::shared().clear();
    graphics::TextMeasurer::setShared(nullptr);
    foundation::Paths::setHome(std::nullopt);
    foundation::UserDefaults::resetStandard();
    std::error_code ignored;
    std::filesystem::remove_all(m_home, ignored);
    toastLog().clear();
}

void ScreenHarness::show(const std::shared_ptr<kit::ViewController>& controller)
{
    m_window->setRootViewController(controller);
    runUntilIdle();
}

void ScreenHarness::runUntilIdle()
{
    foundation::RunLoop::main().runUntilIdle();
}

void ScreenHarness::advance(double seconds)
{
    foundation::RunLoop::main().advance(seconds);
}

void ScreenHarness::collect(const std::shared_ptr<kit::View>& root,
    const std::function<void(const std::shared_ptr<kit::View>&)>& visit)
{
    if (!root)
        return;
    visit(root);
    for (const auto& sub : root->subviews())
        collect(sub, visit);
}

std::shared_ptr<kit::View> ScreenHarness::find(const std::string& name) const
{
    return name.empty() ? nullptr : m_window->viewWithName(name);
}

std::shared_ptr<kit::Button> ScreenHarness::findButton(const std::string& title) const
{
    for (auto& button : findAll<kit::Button>()) {
        if (button->isVisibleInWindow() && button->currentTitle() == title)
            return button;
    }
    return nullptr;
}

std::string ScreenHarness::labelText(const std::string& name) const
{
    auto label = find<kit::Label>(name);
    if (!label) {
        ADD_FAILURE() << "no label named " << name;
        return {};
    }
    return label->text();
}

std::vector<std::string> ScreenHarness::visibleTexts() const
{
    std::vector<std::string> texts;
    for (auto& label : findAll<kit::Label>()) {
        if (label->isVisibleInWindow() && !label->text().empty())
            texts.push_back(label->text());
    }
    return texts;
}

namespace {

std::string typeName(const kit::View& view)
{
    const char* mangled = typeid(view).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? demangled.get() : mangled;
}

void dumpView(const kit::View& view, int depth, std::ostringstream& out)
{
    graphics::Rect f = view.convertRectToView(view.bounds(), nullptr);
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << typeName(view);
    if (!view.name().empty())
        out << " '" << view.name() << "'";
    out << " (" << f.x() << ", " << f.y() << ", " << f.width() << ", " << f.height() << ")";
    if (auto* label = dynamic_cast<const kit::Label*>(&view); label && !label->text().empty())
        out << " \"" << label->text() << "\"";
    if (auto* button = dynamic_cast<const kit::Button*>(&view); button && button->currentTitle())
        out << " [" << *button->currentTitle() << "]";
    if (view.isHidden())
        out << " hidden";
    out << "\n";
    for (const auto& sub : view.subviews())
        dumpView(*sub, depth + 1, out);
}

} // namespace

std::string ScreenHarness::dumpTree() const
{
    std::ostringstream out;
    dumpView(*m_window, 0, out);
    return out.str();
}

bool ScreenHarness::landOn(kit::View& view, graphics::Point& point)
{
    // Layout first: a tap lands where the screen is drawn.
    kit::View::runPendingPasses();
    if (!view.isVisibleInWindow() || view.window() != m_window) {
        ADD_FAILURE() << "tap on a view that is not shown in the window (" << view.name() << ")";
        return false;
    }
    if (auto alert = kit::AlertView::visibleAlert()) {
        ADD_FAILURE() << "tap on " << (view.name().empty() ? "a view" : view.name()) << " under the alert \""
                      << alert->title() << "\", which takes every touch while it is up";
        return false;
    }
    point = view.convertPointToView(view.bounds().center(), nullptr);
    auto hit = m_window->hitTest(m_window->convertPointFromView(point, nullptr));
    if (!hit || !hit->isDescendantOfView(&view)) {
        ADD_FAILURE() << "tap on " << (view.name().empty() ? "a view" : view.name())
                      << " lands on another view or on none\n"
                      << dumpTree();
        return false;
    }
    return true;
}

bool ScreenHarness::tap(kit::View& view)
{
    graphics::Point point;
    if (!landOn(view, point))
        return false;
    m_window->touchDown(point);
    m_window->touchUp(point);
    runUntilIdle();
    return true;
}

bool ScreenHarness::tap(const std::string& name)
{
    auto view = find(name);
    if (!view) {
        ADD_FAILURE() << "no view named " << name;
        return false;
    }
    return tap(*view);
}

bool ScreenHarness::tapTitle(const std::string& buttonTitle)
{
    auto button = findButton(buttonTitle);
    if (!button) {
        ADD_FAILURE() << "no shown button titled " << buttonTitle;
        return false;
    }
    return tap(*button);
}

bool ScreenHarness::tapAndSlideOff(kit::View& view)
{
    graphics::Point point;
    if (!landOn(view, point))
        return false;
    m_window->touchDown(point);
    graphics::Rect inWindow = view.convertRectToView(view.bounds(), nullptr);
    graphics::Point away(inWindow.maxX() + 100, inWindow.maxY() + 100);
    m_window->touchMove(away);
    m_window->touchUp(away);
    runUntilIdle();
    return true;
}

void ScreenHarness::recordToast(const std::string& text)
{
    toastLog().push_back(text);
}

const std::vector<std::string>& ScreenHarness::toasts() const
{
    return toastLog();
}

} // namespace support
