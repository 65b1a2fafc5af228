#pragma once

#include <cstdint>

namespace kit {

// The blink of the insertion point. One input takes the keys at a time (the
// window's text input in edit, or the chosen field of the alert that is up),
// so one blink serves them all: lit for half a second, dark for half a
// second, and lit again at once whenever the text or the input in edit
// changes, so that typing never hides it. The blink runs only while an
// input takes the keys.
//
// A blink is not a change of what the window shows (DisplayGeneration stays
// put): a front end that repaints only what changed follows `blinks()` and
// repaints the caret's rectangle alone (Renderer::caretRect). Main thread
// only.
class Caret {
public:
    static constexpr double blinkInterval = 0.5;
    // Points, as the phone draws it.
    static constexpr double width = 2;

    static bool isLit();
    // Counts the blinks, so a painter can tell that one came.
    static std::uint64_t blinks();
    // Lit, and the next blink half a second away.
    static void restartBlink();
};

} // namespace kit
