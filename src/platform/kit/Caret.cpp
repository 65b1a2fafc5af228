#include "platform/kit/Caret.h"

#include "platform/foundation/Timer.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Window.h"

#include <memory>

namespace kit {

namespace {

struct BlinkState {
    bool lit = true;
    std::uint64_t blinks = 0;
    std::shared_ptr<foundation::Timer> timer;
};

BlinkState& state()
{
    static BlinkState instance;
    return instance;
}

bool anInputTakesTheKeys()
{
    if (auto alert = AlertView::visibleAlert())
        return !alert->textFields().empty();
    auto window = Window::keyWindow();
    View* responder = window ? window->firstResponder() : nullptr;
    if (auto* field = dynamic_cast<TextField*>(responder))
        return field->isEditing();
    if (auto* view = dynamic_cast<TextView*>(responder))
        return view->isEditing();
    return false;
}

void blink()
{
    auto& blinking = state();
    if (!anInputTakesTheKeys()) {
        // Nothing to blink for: the timer stops, and the next input in edit
        // starts lit.
        if (blinking.timer)
            blinking.timer->invalidate();
        blinking.timer.reset();
        blinking.lit = true;
        return;
    }
    blinking.lit = !blinking.lit;
    ++blinking.blinks;
}

} // namespace

bool Caret::isLit()
{
    return state().lit;
}

std::uint64_t Caret::blinks()
{
    return state().blinks;
}

void Caret::restartBlink()
{
    auto& blinking = state();
    if (blinking.timer)
        blinking.timer->invalidate();
    if (!blinking.lit) {
        blinking.lit = true;
        ++blinking.blinks;
    }
    blinking.timer = foundation::Timer::scheduledTimer(blinkInterval, true, [] { blink(); });
}

} // namespace kit
