#include "platform/kit/PanGestureRecognizer.h"

namespace kit {

void PanGestureRecognizer::setState(GestureRecognizerState state)
{
    GestureRecognizerState old = m_state;
    m_state = state;
    m_stateObservers.notify(old, state);
}

foundation::Subscription PanGestureRecognizer::observeState(
    std::function<void(GestureRecognizerState, GestureRecognizerState)> observer)
{
    return m_stateObservers.add(std::move(observer));
}

} // namespace kit
