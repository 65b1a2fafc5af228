#include "platform/kit/View.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/graphics/DrawingContext.h"
#include "platform/graphics/RecordingDrawingContext.h"
#include "platform/kit/ViewController.h"
#include "platform/kit/Window.h"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace kit {

namespace {

struct PassState {
    bool dirty = false;
    bool running = false;
    foundation::Subscription hook;
    std::function<std::unique_ptr<graphics::DrawingContext>(View&)> contextFactory;
};

PassState& passState()
{
    static PassState state;
    return state;
}

void schedulePasses()
{
    DisplayGeneration::bump();
    auto& state = passState();
    state.dirty = true;
    if (!state.hook.isActive())
        state.hook = foundation::RunLoop::main().addEndOfTurnHook([] { View::runPendingPasses(); });
    if (!state.running)
        foundation::RunLoop::main().requestTurn();
}

struct AnimationBlock {
    double duration = View::defaultAnimationDuration;
    std::function<void(bool)> didStop;
};

std::vector<AnimationBlock>& animationBlocks()
{
    static std::vector<AnimationBlock> blocks;
    return blocks;
}

std::size_t& animationsUnderWayCount()
{
    static std::size_t count = 0;
    return count;
}

// Counts one animation from its start until its completion has run, or
// until its timer is dropped unfired (a loop reset), whichever comes first.
class AnimationUnderWay {
public:
    AnimationUnderWay() { ++animationsUnderWayCount(); }
    ~AnimationUnderWay() { --animationsUnderWayCount(); }
    AnimationUnderWay(const AnimationUnderWay&) = delete;
    AnimationUnderWay& operator=(const AnimationUnderWay&) = delete;
};

graphics::AffineTransform toSuperview(
    const graphics::Rect& bounds, graphics::Point center, const graphics::AffineTransform& transform)
{
    using graphics::AffineTransform;
    return AffineTransform::makeTranslation(-bounds.midX(), -bounds.midY())
        .concat(transform)
        .concat(AffineTransform::makeTranslation(center.x, center.y));
}

} // namespace

View::View()
    : m_layer(std::make_shared<Layer>())
{
}

View::View(const graphics::Rect& frame)
    : View()
{
    m_center = frame.center();
    m_bounds = { 0, 0, frame.width(), frame.height() };
}

View::~View() = default;

graphics::Rect View::frame() const
{
    graphics::Rect local(-m_bounds.width() / 2, -m_bounds.height() / 2, m_bounds.width(), m_bounds.height());
    if (m_transform.isIdentity())
        return local.offsetBy(m_center.x, m_center.y);
    return m_transform.apply(local).offsetBy(m_center.x, m_center.y);
}

void View::setFrame(const graphics::Rect& frame)
{
    graphics::Rect old = m_bounds;
    m_center = frame.center();
    m_bounds.size = frame.size;
    DisplayGeneration::bump();
    if (old.size != m_bounds.size)
        setNeedsLayout();
}

void View::setBounds(const graphics::Rect& bounds)
{
    graphics::Rect old = m_bounds;
    m_bounds = bounds;
    DisplayGeneration::bump();
    if (old.size != bounds.size)
        setNeedsLayout();
}

void View::setCenter(const graphics::Point& center)
{
    m_center = center;
    DisplayGeneration::bump();
}

void View::setTransform(const graphics::AffineTransform& transform)
{
    m_transform = transform;
    DisplayGeneration::bump();
}

void View::setAlpha(double alpha)
{
    m_alpha = std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1.0;
    DisplayGeneration::bump();
}

void View::setHidden(bool hidden)
{
    m_hidden = hidden;
    DisplayGeneration::bump();
    // A view marked for display while hidden draws once it is shown.
    if (!hidden && m_needsDisplay)
        schedulePasses();
}

void View::setBackgroundColor(const graphics::Color& color)
{
    m_backgroundColor = color;
    DisplayGeneration::bump();
}

void View::setContentMode(ContentMode mode)
{
    m_contentMode = mode;
    DisplayGeneration::bump();
    if (mode == ContentMode::Redraw)
        setNeedsDisplay();
}

std::shared_ptr<Window> View::window() const
{
    for (const View* v = this; v; v = v->m_superview.lock().get()) {
        if (auto* w = dynamic_cast<const Window*>(v))
            return std::static_pointer_cast<Window>(
                std::const_pointer_cast<View>(w->weak_from_this().lock()));
    }
    return nullptr;
}

std::size_t View::indexOf(const View* view) const
{
    for (std::size_t i = 0; i < m_subviews.size(); ++i) {
        if (m_subviews[i].get() == view)
            return i;
    }
    return m_subviews.size();
}

void View::addSubview(const std::shared_ptr<View>& view)
{
    insertSubview(view, m_subviews.size());
}

void View::insertSubview(const std::shared_ptr<View>& view, std::size_t index)
{
    if (!view || view.get() == this || isDescendantOfView(view.get()))
        return;
    attach(view, index);
}

void View::insertSubviewBelow(const std::shared_ptr<View>& view, const View* sibling)
{
    std::size_t index = indexOf(sibling);
    insertSubview(view, index == m_subviews.size() ? m_subviews.size() : index);
}

void View::insertSubviewAbove(const std::shared_ptr<View>& view, const View* sibling)
{
    std::size_t index = indexOf(sibling);
    insertSubview(view, index == m_subviews.size() ? m_subviews.size() : index + 1);
}

void View::attach(const std::shared_ptr<View>& view, std::size_t index)
{
    DisplayGeneration::bump();
    auto keep = view;
    if (keep->m_superview.lock().get() == this) {
        // Re-adding a subview only reorders it, as on the phone.
        std::size_t from = indexOf(keep.get());
        m_subviews.erase(m_subviews.begin() + static_cast<std::ptrdiff_t>(from));
        index = std::min(index, m_subviews.size());
        m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(index), keep);
        return;
    }
    Window* newWindow = window().get();
    Window* oldWindow = keep->window().get();
    keep->willMoveToSuperview(this);
    if (oldWindow != newWindow) {
        keep->willMoveToWindow(newWindow);
        if (oldWindow)
            keep->giveUpFocusLeaving(*oldWindow);
    }
    keep->detachFromSuperview();
    index = std::min(index, m_subviews.size());
    m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(index), keep);
    keep->m_superview = weak_from_this();
    keep->linkConstructedSubviews();
    if (oldWindow != newWindow)
        keep->moveToWindow(newWindow);
    keep->didMoveToSuperview();
    didAddSubview(keep.get());
    keep->setNeedsLayout();
    setNeedsLayout();
    if (keep->m_needsDisplay)
        schedulePasses();
}

void View::linkConstructedSubviews()
{
    for (const auto& sub : m_subviews) {
        if (sub->m_superview.expired()) {
            sub->m_superview = weak_from_this();
            sub->linkConstructedSubviews();
        }
    }
}

void View::detachFromSuperview()
{
    auto parent = m_superview.lock();
    if (!parent)
        return;
    parent->willRemoveSubview(this);
    DisplayGeneration::bump();
    std::size_t index = parent->indexOf(this);
    m_superview.reset();
    if (index < parent->m_subviews.size())
        parent->m_subviews.erase(parent->m_subviews.begin() + static_cast<std::ptrdiff_t>(index));
}

void View::removeFromSuperview()
{
    auto parent = m_superview.lock();
    if (!parent)
        return;
    // The parent's vector may hold the last reference.
    auto keep = shared_from_this();
    Window* oldWindow = window().get();
    willMoveToSuperview(nullptr);
    if (oldWindow)
        willMoveToWindow(nullptr);
    if (oldWindow)
        giveUpFocusLeaving(*oldWindow);
    detachFromSuperview();
    if (oldWindow)
        moveToWindow(nullptr);
    didMoveToSuperview();
}

void View::giveUpFocusLeaving(Window& oldWindow)
{
    // The responder is asked first, so a willing one ends editing as on any
    // resign.
    endEditing(false);
    // A view leaving the window cannot keep the keyboard, even if it
    // refused to resign: the window would point at a view it no longer
    // holds and no other input could ever take focus.
    if (View* responder = oldWindow.firstResponder(); responder && responder->isDescendantOfView(this))
        oldWindow.clearFirstResponder(responder);
}

void View::moveToWindow(Window* newWindow)
{
    // willMoveToWindow has been called on this view; call it on the
    // subtree, then the did- hooks, parents before children.
    std::vector<std::shared_ptr<View>> subs = m_subviews;
    for (auto& sub : subs)
        sub->willMoveToWindow(newWindow);
    didMoveToWindow();
    if (newWindow && m_wantsFirstResponder) {
        m_wantsFirstResponder = false;
        becomeFirstResponder();
    }
    for (auto& sub : subs)
        sub->moveToWindow(newWindow);
}

void View::bringSubviewToFront(const View* view)
{
    std::size_t index = indexOf(view);
    if (index == m_subviews.size())
        return;
    auto keep = m_subviews[index];
    m_subviews.erase(m_subviews.begin() + static_cast<std::ptrdiff_t>(index));
    m_subviews.push_back(std::move(keep));
    DisplayGeneration::bump();
}

void View::sendSubviewToBack(const View* view)
{
    std::size_t index = indexOf(view);
    if (index == m_subviews.size())
        return;
    auto keep = m_subviews[index];
    m_subviews.erase(m_subviews.begin() + static_cast<std::ptrdiff_t>(index));
    m_subviews.insert(m_subviews.begin(), std::move(keep));
    DisplayGeneration::bump();
}

bool View::isDescendantOfView(const View* view) const
{
    if (!view)
        return false;
    for (const View* v = this; v; v = v->m_superview.lock().get()) {
        if (v == view)
            return true;
    }
    return false;
}

std::shared_ptr<View> View::viewWithTag(int tag)
{
    if (m_tag == tag)
        return shared_from_this();
    for (auto& sub : m_subviews) {
        if (auto found = sub->viewWithTag(tag))
            return found;
    }
    return nullptr;
}

std::shared_ptr<View> View::viewWithName(const std::string& name)
{
    if (m_name == name)
        return shared_from_this();
    for (auto& sub : m_subviews) {
        if (auto found = sub->viewWithName(name))
            return found;
    }
    return nullptr;
}

void View::willMoveToSuperview(View*)
{
}
void View::didMoveToSuperview()
{
}
void View::willMoveToWindow(Window*)
{
}
void View::didMoveToWindow()
{
}
void View::didAddSubview(View*)
{
}
void View::willRemoveSubview(View*)
{
}

void View::setNeedsLayout()
{
    m_needsLayout = true;
    schedulePasses();
}

void View::layoutIfNeeded()
{
    auto keep = weak_from_this().lock();
    if (m_needsLayout) {
        // Cleared first: a view that marks itself again while it lays out
        // (say, after resizing itself) gets another pass, as on the phone.
        m_needsLayout = false;
        layoutSubviews();
    }
    std::vector<std::shared_ptr<View>> subs = m_subviews;
    for (auto& sub : subs)
        sub->layoutIfNeeded();
}

void View::layoutSubviews()
{
}

void View::setNeedsDisplay()
{
    m_needsDisplay = true;
    schedulePasses();
}

void View::drawRect(graphics::DrawingContext&, const graphics::Rect&)
{
}

graphics::Size View::sizeThatFits(const graphics::Size&) const
{
    return m_bounds.size;
}

void View::sizeToFit()
{
    graphics::Size size = sizeThatFits(m_bounds.size);
    graphics::Rect f = frame();
    setFrame({ f.origin, size });
}

bool View::handlesOwnDrag(bool) const
{
    return false;
}

bool View::scrollWheel(const graphics::Point&, double, double)
{
    return false;
}

void View::setFloatsAboveAlerts(bool floats)
{
    m_floatsAboveAlerts = floats;
    DisplayGeneration::bump();
}

bool View::pointInside(const graphics::Point& point) const
{
    return m_bounds.contains(point);
}

std::shared_ptr<View> View::hitTest(const graphics::Point& point)
{
    if (m_hidden || m_alpha < 0.01 || !m_userInteractionEnabled || !pointInside(point))
        return nullptr;
    for (auto it = m_subviews.rbegin(); it != m_subviews.rend(); ++it) {
        const auto& sub = *it;
        graphics::Point local
            = toSuperview(sub->m_bounds, sub->m_center, sub->m_transform).inverted().apply(point);
        if (auto hit = sub->hitTest(local))
            return hit;
    }
    return shared_from_this();
}

graphics::AffineTransform View::transformToWindow() const
{
    graphics::AffineTransform result;
    for (const View* v = this; v; v = v->m_superview.lock().get()) {
        // The window's own bounds are the window coordinates.
        if (dynamic_cast<const Window*>(v)) {
            result = result.concat(
                graphics::AffineTransform::makeTranslation(-v->m_bounds.x(), -v->m_bounds.y()));
            break;
        }
        result = result.concat(toSuperview(v->m_bounds, v->m_center, v->m_transform));
    }
    return result;
}

graphics::Point View::convertPointToView(const graphics::Point& point, const View* view) const
{
    graphics::Point inWindow = transformToWindow().apply(point);
    return view ? view->transformToWindow().inverted().apply(inWindow) : inWindow;
}

graphics::Point View::convertPointFromView(const graphics::Point& point, const View* view) const
{
    graphics::Point inWindow = view ? view->transformToWindow().apply(point) : point;
    return transformToWindow().inverted().apply(inWindow);
}

graphics::Rect View::convertRectToView(const graphics::Rect& rect, const View* view) const
{
    auto t = transformToWindow();
    if (view)
        t = t.concat(view->transformToWindow().inverted());
    return t.apply(rect);
}

graphics::Rect View::convertRectFromView(const graphics::Rect& rect, const View* view) const
{
    auto t = view ? view->transformToWindow() : graphics::AffineTransform();
    return t.concat(transformToWindow().inverted()).apply(rect);
}

bool View::isVisibleInWindow() const
{
    bool inWindow = false;
    for (auto v = shared_from_this(); v; v = v->superview()) {
        if (v->m_hidden || v->m_alpha < 0.01)
            return false;
        if (dynamic_cast<const Window*>(v.get()))
            inWindow = true;
    }
    return inWindow;
}

Responder* View::nextResponder() const
{
    if (auto controller = m_viewController.lock())
        return controller.get();
    if (auto parent = m_superview.lock())
        return parent.get();
    return nullptr;
}

bool View::becomeFirstResponder()
{
    if (!canBecomeFirstResponder())
        return false;
    auto w = window();
    if (!w) {
        // Screens ask for the keyboard while they set up, before their view
        // is in the window; the request is kept until it is.
        m_wantsFirstResponder = true;
        return true;
    }
    return w->makeFirstResponder(this);
}

bool View::resignFirstResponder()
{
    m_wantsFirstResponder = false;
    if (auto w = window())
        w->clearFirstResponder(this);
    return true;
}

bool View::isFirstResponder() const
{
    auto w = window();
    return w && w->firstResponder() == this;
}

bool View::endEditing(bool force)
{
    auto w = window();
    if (!w)
        return true;
    View* found = w->firstResponder();
    if (!found || !found->isDescendantOfView(this))
        return true;
    // The responder's delegate may drop it while it is asked.
    auto responder = found->shared_from_this();
    if (responder->resignFirstResponder())
        return true;
    if (!force)
        return false;
    // Forced, the refusal is overruled: the keyboard goes all the same.
    if (w->firstResponder() == responder.get()) {
        w->clearFirstResponder(responder.get());
        responder->m_wantsFirstResponder = false;
        responder->firstResponderTakenAway();
    }
    return true;
}

void View::firstResponderTakenAway()
{
}

void View::animate(
    double duration, const std::function<void()>& changes, std::function<void(bool)> completion)
{
    animate(duration, 0, changes, std::move(completion));
}

void View::animate(
    double duration, double delay, const std::function<void()>& changes, std::function<void(bool)> completion)
{
    if (changes)
        changes();
    if (!completion)
        return;
    double after
        = std::max(0.0, (std::isfinite(duration) ? duration : 0) + (std::isfinite(delay) ? delay : 0));
    foundation::Timer::scheduledTimer(after, false,
        [completion = std::move(completion), underWay = std::make_shared<AnimationUnderWay>()]() mutable {
            underWay.reset();
            completion(true);
        });
}

std::size_t View::animationsUnderWay()
{
    return animationsUnderWayCount();
}

void View::beginAnimations()
{
    animationBlocks().push_back({});
}

void View::setAnimationDuration(double duration)
{
    if (!animationBlocks().empty())
        animationBlocks().back().duration = duration;
}

void View::setAnimationDidStop(std::function<void(bool)> didStop)
{
    if (!animationBlocks().empty())
        animationBlocks().back().didStop = std::move(didStop);
}

void View::commitAnimations()
{
    if (animationBlocks().empty())
        return;
    AnimationBlock block = std::move(animationBlocks().back());
    animationBlocks().pop_back();
    animate(block.duration, {}, std::move(block.didStop));
}

void View::setDisplayContextFactory(std::function<std::unique_ptr<graphics::DrawingContext>(View&)> factory)
{
    passState().contextFactory = std::move(factory);
}

void View::displayPass()
{
    if (m_hidden)
        return;
    if (m_needsDisplay) {
        m_needsDisplay = false;
        auto& factory = passState().contextFactory;
        std::unique_ptr<graphics::DrawingContext> context;
        if (factory)
            context = factory(*this);
        // Headless passes still call drawRect (some views change state
        // when drawn); what they draw is recorded and dropped.
        if (!context)
            context = std::make_unique<graphics::RecordingDrawingContext>();
        graphics::DrawingContext::Push push(*context);
        drawRect(*context, m_bounds);
    }
    std::vector<std::shared_ptr<View>> subs = m_subviews;
    for (auto& sub : subs)
        sub->displayPass();
}

void View::runPendingPasses()
{
    auto& state = passState();
    if (!state.dirty || state.running)
        return;
    state.running = true;
    state.dirty = false;
    // Layout may mark more views; a few rounds settle it, and the limit
    // keeps a view that re-marks itself on every pass from hanging the app.
    constexpr int maxLayoutRounds = 8;
    bool settled = false;
    for (int round = 0; round < maxLayoutRounds && !settled; ++round) {
        for (auto& w : Window::allWindows())
            w->layoutIfNeeded();
        settled = !state.dirty;
        state.dirty = false;
    }
    if (!settled)
        std::cerr << "kit: layout still pending after " << maxLayoutRounds
                  << " rounds; a view marks itself for layout on every pass\n";
    for (auto& w : Window::allWindows())
        w->displayPass();
    state.running = false;
    if (state.dirty)
        foundation::RunLoop::main().requestTurn();
}

} // namespace kit
