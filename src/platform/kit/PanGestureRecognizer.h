#pragma once

#include "platform/foundation/ObserverList.h"
#include "platform/graphics/Geometry.h"

namespace kit {

// The numbers are the phone toolkit's; observers compare against them.
enum class GestureRecognizerState {
    Possible = 0,
    Began = 1,
    Changed = 2,
    Ended = 3,
    Cancelled = 4,
    Failed = 5
};

// The finger-drag recogniser of a scroll view. Nothing recognises real
// touches here: the scroll view's drag simulation drives the state, and
// observers see every change with the old and new state.
class PanGestureRecognizer {
public:
    GestureRecognizerState state() const { return m_state; }
    void setState(GestureRecognizerState state);

    // Total movement since the drag began, in the scroll view's coordinates.
    graphics::Point translation() const { return m_translation; }
    void setTranslation(graphics::Point translation) { m_translation = translation; }

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }

    [[nodiscard]] foundation::Subscription observeState(
        std::function<void(GestureRecognizerState oldState, GestureRecognizerState newState)> observer);

private:
    GestureRecognizerState m_state = GestureRecognizerState::Possible;
    graphics::Point m_translation;
    bool m_enabled = true;
    foundation::ObserverList<GestureRecognizerState, GestureRecognizerState> m_stateObservers;
};

} // namespace kit
