#include "platform/kit/Window.h"

#include "platform/foundation/RunLoop.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Application.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Touch.h"
#include "platform/kit/ViewController.h"

#include <algorithm>
#include <cmath>

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

namespace {

double stamped(double timestamp)
{
    return std::isfinite(timestamp) ? timestamp : foundation::RunLoop::main().now();
}

} // namespace

std::shared_ptr<View> Window::touchDown(const graphics::Point& point, double timestamp)
{
    // A finger that went down again without lifting: the old touch is over.
    endTouchTrack(nullptr, timestamp);
    if (auto previous = m_touchView.lock())
        previous->touchesCancelled(Touch(previous, point, TouchPhase::Cancelled));
    m_touchView.reset();
    if (alertCoversScreen())
        return nullptr;
    auto hit = hitTest(convertPointFromView(point, nullptr));
    m_touchView = hit;
    m_track.start = point;
    m_track.last = point;
    for (auto view = hit; view; view = view->superview()) {
        auto scrollView = std::dynamic_pointer_cast<ScrollView>(view);
        if (scrollView && scrollView->stopMoving())
            m_track.stopped.push_back(scrollView);
    }
    if (hit && m_track.stopped.empty())
        hit->touchesBegan(Touch(hit, point, TouchPhase::Began));
    return hit;
}

std::shared_ptr<ScrollView> Window::scrollViewFor(const std::shared_ptr<View>& view, bool vertical) const
{
    for (auto v = view; v; v = v->superview()) {
        if (auto scrollView = std::dynamic_pointer_cast<ScrollView>(v)) {
            bool fits = vertical ? scrollView->canScrollVertically() : scrollView->canScrollHorizontally();
            if (fits && scrollView->isScrollEnabled() && scrollView->panGestureRecognizer()->isEnabled())
                return scrollView;
        }
        if (v->handlesOwnDrag(vertical))
            return nullptr;
    }
    return nullptr;
}

void Window::touchMove(const graphics::Point& point, double timestamp)
{
    // A touch that an alert came up under is taken from its view, as the
    // phone cancels it; the view must not see it slide or lift.
    if (alertCoversScreen()) {
        touchCancel();
        return;
    }
    if (auto dragged = m_track.dragging.lock()) {
        dragged->dragBy(point.x - m_track.last.x, point.y - m_track.last.y, stamped(timestamp));
        m_track.last = point;
        return;
    }
    m_track.last = point;
    auto view = m_touchView.lock();
    double dx = point.x - m_track.start.x;
    double dy = point.y - m_track.start.y;
    if (!m_track.axisChosen && std::hypot(dx, dy) > ScrollView::touchSlop) {
        m_track.axisChosen = true;
        auto scrollView = scrollViewFor(view, std::abs(dy) >= std::abs(dx));
        if (scrollView && scrollView->beginDragging()) {
            // The content moves from here on: the slop is not made up.
            m_track.dragging = scrollView;
            m_track.stopped.clear();
            m_touchView.reset();
            if (view)
                view->touchesCancelled(Touch(view, point, TouchPhase::Cancelled));
            return;
        }
    }
    if (view && m_track.stopped.empty())
        view->touchesMoved(Touch(view, point, TouchPhase::Moved));
}

void Window::touchUp(const graphics::Point& point, double timestamp)
{
    if (alertCoversScreen()) {
        touchCancel();
        return;
    }
    bool swallowed = !m_track.dragging.expired() || !m_track.stopped.empty();
    endTouchTrack(&point, timestamp);
    auto view = m_touchView.lock();
    m_touchView.reset();
    if (view && !swallowed)
        view->touchesEnded(Touch(view, point, TouchPhase::Ended));
}

void Window::touchCancel()
{
    bool swallowed = !m_track.dragging.expired() || !m_track.stopped.empty();
    endTouchTrack(nullptr, currentTime);
    auto view = m_touchView.lock();
    m_touchView.reset();
    if (view && !swallowed)
        view->touchesCancelled(Touch(view, {}, TouchPhase::Cancelled));
}

void Window::endTouchTrack(const graphics::Point* lift, double timestamp)
{
    TouchTrack track = std::exchange(m_track, {});
    if (auto dragged = track.dragging.lock()) {
        // The lift's own position is the finger's last move.
        if (lift && *lift != track.last)
            dragged->dragBy(lift->x - track.last.x, lift->y - track.last.y, stamped(timestamp));
        dragged->endDragging(stamped(timestamp));
    }
    for (const auto& weak : track.stopped) {
        if (auto scrollView = weak.lock())
            scrollView->settle();
    }
}

std::shared_ptr<ScrollView> Window::draggedScrollView() const
{
    return m_track.dragging.lock();
}

bool Window::scrollWheelAt(const graphics::Point& point, double dx, double dy)
{
    if (alertCoversScreen())
        return false;
    for (auto view = hitTest(convertPointFromView(point, nullptr)); view; view = view->superview()) {
        if (view->scrollWheel(view->convertPointFromView(point, nullptr), dx, dy))
            return true;
    }
    return false;
}

Responder* Window::nextResponder() const
{
    if (auto* app = Application::sharedApplication())
        return app;
    return nullptr;
}

} // namespace kit
