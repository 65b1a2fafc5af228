#pragma once

#include "platform/graphics/Geometry.h"

namespace kit {

// The on-screen keyboard as the screens see it: notifications only. It comes
// up when a text input becomes first responder with no keyboard up and goes
// down when the last text input resigns; focus moving from one input to
// another leaves it up and posts nothing.
class Keyboard {
public:
    static constexpr const char* willShowNotification = "KeyboardWillShowNotification";
    static constexpr const char* willHideNotification = "KeyboardWillHideNotification";
    // User-info key of the keyboard's final frame in screen coordinates
    // (x, y, width, height as numbers).
    static constexpr const char* frameEndUserInfoKey = "KeyboardFrameEndUserInfoKey";
    static constexpr double defaultHeight = 216;

    static Keyboard& shared();

    bool isVisible() const { return m_visible; }
    // Tests of screens that sit on the keyboard may try other heights.
    double height() const { return m_height; }
    void setHeight(double height);
    // Along the bottom of the main screen.
    graphics::Rect frame() const;

    // Text inputs call these around their first-responder changes.
    // `takingOver` is set while a text input is taking focus from another,
    // so the one that resigns leaves the keyboard up.
    void textInputWillTakeFocus() { ++m_takingOver; }
    void textInputDidTakeFocus(bool gotFocus);
    // After the input's did-begin-editing: brings the keyboard up if none is.
    void textInputDidBeginEditing();
    void textInputDidResign();

    // Tests start each case with the keyboard down, at the default height.
    void reset();

private:
    void post(const char* name);

    bool m_visible = false;
    double m_height = defaultHeight;
    int m_takingOver = 0;
    bool m_resignDuringTakeOver = false;
};

} // namespace kit
