#pragma once

#include "platform/kit/AlertView.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/IndexPath.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace support {

// The keyboard, alert and list side of the screen harness. Each action is one
// user event: it goes through the same path a finger would (delegates,
// control events, observers) and then lets the main loop finish its turn, so
// what the event scheduled (appearance callbacks, layout) has run when the
// action returns.
class InputDriver {
public:
    // Focuses the input as a tap would, then types one character at a time;
    // returns how many characters the delegate let in.
    static std::size_t type(kit::TextField& field, std::string_view text);
    static std::size_t type(kit::TextView& view, std::string_view text);
    // Moves the caret first (UTF-16 position), then types.
    static std::size_t typeAt(kit::TextField& field, std::size_t position, std::string_view text);
    // The whole text as one replacement, as a paste gives it.
    static bool paste(kit::TextField& field, std::string_view text);
    // Presses delete `times` times; returns how many presses changed the text.
    static std::size_t deleteBackward(kit::TextField& field, std::size_t times = 1);
    static bool pressReturn(kit::TextField& field);
    static bool clear(kit::TextField& field);
    // The field gives up the keyboard, as a tap outside it makes it do.
    static bool endEditing(kit::TextField& field);

    // The visible alert, or null.
    static std::shared_ptr<kit::AlertView> visibleAlert();
    // Presses the visible alert's button with this title (or index); false
    // when no alert is up or it has no such button.
    static bool pressAlertButton(const std::string& title);
    static bool pressAlertButton(int index);
    // Types into a field of the visible alert; what was there stays.
    static std::size_t typeIntoAlertField(int fieldIndex, std::string_view text);

    // A finger on the row's cell, through hit testing and the responder
    // chain. Fails the test when the row is not on screen or is covered;
    // false, quietly, for a row the list does not have or when selection
    // is off.
    static bool selectRow(kit::TableView& table, kit::IndexPath indexPath);
    // A finger on the list moving down by dy (negative: up) in `steps`
    // moves at one instant (so it lifts at rest), then lifting; the clock
    // then moves on while the list springs back or glides onto its page.
    static void drag(kit::ScrollView& scrollView, double dy, int steps = 1);
    // The same in both directions: a negative dx swipes to the next page.
    static void swipe(kit::ScrollView& scrollView, double dx, double dy, int steps = 1);
    // Moves the clock on until the content stops gliding.
    static void settleScrolling(kit::ScrollView& scrollView);
    static void pickDate(kit::DatePicker& picker, double date);

    // Keyboard down, no alert up or waiting: what each test should start from.
    static void resetState();

private:
    static void finishTurn();
};

} // namespace support
