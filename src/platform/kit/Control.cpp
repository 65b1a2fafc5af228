#include "platform/kit/Control.h"

#include "platform/kit/Touch.h"

namespace kit {

void Control::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    if (!enabled) {
        m_highlighted = false;
        m_tracking = false;
    }
    stateDidChange();
}

void Control::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    stateDidChange();
}

void Control::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    stateDidChange();
}

ControlState Control::state() const
{
    ControlState s = ControlState::Normal;
    if (m_highlighted)
        s = s | ControlState::Highlighted;
    if (!m_enabled)
        s = s | ControlState::Disabled;
    if (m_selected)
        s = s | ControlState::Selected;
    return s;
}

void Control::addTarget(
    const std::shared_ptr<void>& target, std::function<void(Control& sender)> action, ControlEvent events)
{
    if (!action)
        return;
    m_actions.push_back({ target != nullptr, target, std::move(action), events });
}

void Control::addAction(std::function<void(Control& sender)> action, ControlEvent events)
{
    addTarget(nullptr, std::move(action), events);
}

void Control::removeTarget(const std::shared_ptr<void>& target, ControlEvent events)
{
    unsigned removed = static_cast<unsigned>(events);
    for (auto it = m_actions.begin(); it != m_actions.end();) {
        bool sameTarget = !target
            || (it->hasTarget && !it->target.owner_before(target) && !target.owner_before(it->target));
        if (sameTarget) {
            it->events = static_cast<ControlEvent>(static_cast<unsigned>(it->events) & ~removed);
            if (static_cast<unsigned>(it->events) == 0) {
                it = m_actions.erase(it);
                continue;
            }
        }
        ++it;
    }
}

bool Control::hasActionsFor(ControlEvent event) const
{
    for (const auto& a : m_actions) {
        if (matches(a.events, event))
            return true;
    }
    return false;
}

void Control::sendActionsForControlEvents(ControlEvent events)
{
    // An action may remove actions, replace the screen or drop the last
    // reference to this control: run a snapshot and keep the control alive.
    auto keep = weak_from_this().lock();
    std::vector<Action> snapshot = m_actions;
    for (auto& a : snapshot) {
        if (!matches(a.events, events))
            continue;
        if (a.hasTarget && a.target.expired())
            continue;
        a.action(*this);
    }
}

void Control::touchesBegan(const Touch&)
{
    if (!m_enabled)
        return;
    m_tracking = true;
    setHighlighted(true);
    sendActionsForControlEvents(ControlEvent::TouchDown);
}

void Control::touchesMoved(const Touch& touch)
{
    if (!m_tracking)
        return;
    setHighlighted(bounds().contains(touch.locationInView(this)));
}

void Control::touchesEnded(const Touch& touch)
{
    if (!m_tracking)
        return;
    m_tracking = false;
    bool inside = bounds().contains(touch.locationInView(this));
    setHighlighted(false);
    sendActionsForControlEvents(inside ? ControlEvent::TouchUpInside : ControlEvent::TouchUpOutside);
}

void Control::touchesCancelled(const Touch&)
{
    if (!m_tracking)
        return;
    m_tracking = false;
    setHighlighted(false);
    sendActionsForControlEvents(ControlEvent::TouchCancel);
}

std::shared_ptr<View> Control::hitTest(const graphics::Point& point)
{
    if (!m_enabled)
        return nullptr;
    return View::hitTest(point);
}

} // namespace kit
