#include "platform/kit/Window.h"

#include "platform/foundation/RunLoop.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Application.h"
#include "platform/kit/Touch.h"
#include "platform/kit/ViewController.h"

#include <algorithm>

namespace kit {

namespace {

struct WindowRegistry {
    std::vector<Window*> windows;
    Window* key = nullptr;
};

WindowRegistry& registry()
{
    static WindowRegistry r;
    return r;
}

} // namespace

Window::Window(const graphics::Rect& frame)
    : View(frame)
{
    registry().windows.push_back(this);
}

Window::~Window()
{
    auto& r = registry();
    std::erase(r.windows, this);
    if (r.key == this)
        r.key = nullptr;
}

std::vector<std::shared_ptr<Window>> Window::allWindows()
{
    std::vector<std::shared_ptr<Window>> result;
    for (Window* w : registry().windows) {
        if (auto strong = std::static_pointer_cast<Window>(w->weak_from_this().lock()))
            result.push_back(std::move(strong));
    }
    return result;
}

void Window::setRootViewController(const std::shared_ptr<ViewController>& controller)
{
    if (controller == m_rootViewController)
        return;
    auto old = std::exchange(m_rootViewController, controller);
    if (old && old->isViewLoaded())
        old->view()->removeFromSuperview();
    if (controller) {
        auto root = controller->view();
        root->setFrame(bounds());
        addSubview(root);
    }
    if (m_rootTransitionPending)
        return;
    m_rootTransitionPending = true;
    std::weak_ptr<View> weakSelf = weak_from_this();
    foundation::RunLoop::main().post([weakSelf] {
        if (auto self = std::static_pointer_cast<Window>(weakSelf.lock()))
            self->runRootTransition();
    });
}

void Window::runRootTransition()
{
    m_rootTransitionPending = false;
    auto from = m_shownRoot.lock();
    auto to = m_rootViewController;
    // Roots replaced within one turn never appeared, so only the one shown
    // last and the one in place now take part.
    if (from == to)
        return;
    m_shownRoot = to;
    ViewController::swapAppearance(from, to, false);
}

void Window::makeKeyAndVisible()
{
    setHidden(false);
    makeKeyWindow();
}

void Window::makeKeyWindow()
{
    registry().key = this;
}

bool Window::isKeyWindow() const
{
    return registry().key == this;
}

std::shared_ptr<Window> Window::keyWindow()
{
    Window* key = registry().key;
    if (!key)
        return nullptr;
    return std::static_pointer_cast<Window>(key->weak_from_this().lock());
}

bool Window::makeFirstResponder(View* view)
{
    auto current = m_firstResponder.lock();
    if (current.get() == view)
        return true;
    if (current) {
        m_incoming = view;
        bool resigned = current->resignFirstResponder();
        m_incoming = nullptr;
        // A responder that refuses to resign keeps the keyboard.
        if (!resigned || m_firstResponder.lock() == current)
            return false;
    }
    m_firstResponder = view->weak_from_this();
    return true;
}

void Window::clearFirstResponder(View* view)
{
    if (m_firstResponder.lock().get() == view)
        m_firstResponder.reset();
}

namespace {

// An alert is modal: while one is up, nothing under it may take a touch.
bool alertCoversScreen()
{
    return AlertView::visibleAlert() != nullptr;
}

} // namespace

std::shared_ptr<View> Window::touchDown(const graphics::Point& point)
{
    if (auto previous = m_touchView.lock())
        previous->touchesCancelled(Touch(previous, point, TouchPhase::Cancelled));
    m_touchView.reset();
    if (alertCoversScreen())
        return nullptr;
    auto hit = hitTest(convertPointFromView(point, nullptr));
    m_touchView = hit;
    if (hit)
        hit->touchesBegan(Touch(hit, point, TouchPhase::Began));
    return hit;
}

void Window::touchMove(const graphics::Point& point)
{
    // A touch that an alert came up under is taken from its view, as the
    // phone cancels it; the view must not see it slide or lift.
    if (alertCoversScreen()) {
        touchCancel();
        return;
    }
    if (auto view = m_touchView.lock())
        view->touchesMoved(Touch(view, point, TouchPhase::Moved));
}

void Window::touchUp(const graphics::Point& point)
{
    if (alertCoversScreen()) {
        touchCancel();
        return;
    }
    auto view = m_touchView.lock();
    m_touchView.reset();
    if (view)
        view->touchesEnded(Touch(view, point, TouchPhase::Ended));
}

void Window::touchCancel()
{
    auto view = m_touchView.lock();
    m_touchView.reset();
    if (view)
        view->touchesCancelled(Touch(view, {}, TouchPhase::Cancelled));
}

Responder* Window::nextResponder() const
{
    if (auto* app = Application::sharedApplication())
        return app;
    return nullptr;
}

} // namespace kit
