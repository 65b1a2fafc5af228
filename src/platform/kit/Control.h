#pragma once

#include "platform/kit/View.h"

#include <functional>
#include <memory>
#include <vector>

namespace kit {

// A bit set; Normal is the empty set. The numbers are the phone toolkit's,
// because screens write them into keys and texts.
enum class ControlState : unsigned {
    Normal = 0,
    Highlighted = 1u << 0,
    Disabled = 1u << 1,
    Selected = 1u << 2,
};

constexpr ControlState operator|(ControlState a, ControlState b)
{
    return static_cast<ControlState>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr ControlState operator&(ControlState a, ControlState b)
{
    return static_cast<ControlState>(static_cast<unsigned>(a) & static_cast<unsigned>(b));
}
constexpr bool hasState(ControlState set, ControlState bit)
{
    return (set & bit) == bit;
}

enum class ControlEvent : unsigned {
    TouchDown = 1u << 0,
    TouchDownRepeat = 1u << 1,
    TouchDragInside = 1u << 2,
    TouchDragOutside = 1u << 3,
    TouchDragEnter = 1u << 4,
    TouchDragExit = 1u << 5,
    TouchUpInside = 1u << 6,
    TouchUpOutside = 1u << 7,
    TouchCancel = 1u << 8,
    ValueChanged = 1u << 12,
    EditingDidBegin = 1u << 16,
    EditingChanged = 1u << 17,
    EditingDidEnd = 1u << 18,
    EditingDidEndOnExit = 1u << 19,
    AllTouchEvents = 0x00000FFFu,
    AllEditingEvents = 0x000F0000u,
    AllEvents = 0xFFFFFFFFu,
};

constexpr ControlEvent operator|(ControlEvent a, ControlEvent b)
{
    return static_cast<ControlEvent>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool matches(ControlEvent set, ControlEvent event)
{
    return (static_cast<unsigned>(set) & static_cast<unsigned>(event)) != 0;
}

// A view that turns touches into control events and sends them to its
// targets. Targets are held weakly, as the phone toolkit does: a control
// never keeps its screen alive, and an action whose target has gone is
// skipped.
class Control : public View {
public:
    using View::View;

    bool isEnabled() const { return m_enabled; }
    virtual void setEnabled(bool enabled);
    bool isSelected() const { return m_selected; }
    virtual void setSelected(bool selected);
    bool isHighlighted() const { return m_highlighted; }
    virtual void setHighlighted(bool highlighted);
    ControlState state() const;
    bool isTracking() const { return m_tracking; }

    // `action` runs with the control that sent the event.
    void addTarget(const std::shared_ptr<void>& target, std::function<void(Control& sender)> action,
        ControlEvent events);
    // The usual form: a member function of the screen, with or without the
    // sender.
    template<class T>
    void addTarget(const std::shared_ptr<T>& target, void (T::*method)(), ControlEvent events)
    {
        std::weak_ptr<T> weak = target;
        addTarget(
            std::static_pointer_cast<void>(target),
            [weak, method](Control&) {
                if (auto strong = weak.lock())
                    ((*strong).*method)();
            },
            events);
    }
    template<class T>
    void addTarget(const std::shared_ptr<T>& target, void (T::*method)(Control&), ControlEvent events)
    {
        std::weak_ptr<T> weak = target;
        addTarget(
            std::static_pointer_cast<void>(target),
            [weak, method](Control& sender) {
                if (auto strong = weak.lock())
                    ((*strong).*method)(sender);
            },
            events);
    }
    // An action owned by nothing but the control (closures over weak pointers).
    void addAction(std::function<void(Control& sender)> action, ControlEvent events);
    // Removes every action of `target` (all targets when null) for `events`.
    void removeTarget(const std::shared_ptr<void>& target, ControlEvent events = ControlEvent::AllEvents);
    bool hasActionsFor(ControlEvent event) const;

    // Runs the actions registered for any event in `events`, in the order
    // they were added, whether the control is enabled or not.
    void sendActionsForControlEvents(ControlEvent events);

    // Touch tracking: down highlights and sends TouchDown; up sends
    // TouchUpInside or TouchUpOutside by where the finger is.
    void touchesBegan(const Touch& touch) override;
    void touchesMoved(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void touchesCancelled(const Touch& touch) override;

    // Disabled controls take no touches; they let them fall to what is under.
    std::shared_ptr<View> hitTest(const graphics::Point& point) override;

protected:
    // Hook for subclasses that redraw on state changes.
    virtual void stateDidChange() { }

private:
    struct Action {
        bool hasTarget = false;
        std::weak_ptr<void> target;
        std::function<void(Control&)> action;
        ControlEvent events;
    };
    bool m_enabled = true;
    bool m_selected = false;
    bool m_highlighted = false;
    bool m_tracking = false;
    std::vector<Action> m_actions;
};

} // namespace kit
