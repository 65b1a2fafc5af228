#include "support/InputDriver.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/Keyboard.h"
#include "platform/kit/Window.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace support {

namespace {

// One keystroke per code point: that is what a keyboard sends.
std::vector<std::string> keystrokes(std::string_view text)
{
    std::vector<std::string> keys;
    auto points = foundation::decodeUtf8(text);
    if (!points) {
        keys.emplace_back(text);
        return keys;
    }
    for (char32_t point : *points)
        keys.push_back(foundation::encodeUtf8(point));
    return keys;
}

template<class Input> std::size_t typeInto(Input& input, std::string_view text, void (*finish)())
{
    // A field that cannot take focus (disabled, or refused by a delegate)
    // never sees the keyboard.
    if (!input.isFirstResponder() && !input.becomeFirstResponder()) {
        finish();
        return 0;
    }
    finish();
    std::size_t accepted = 0;
    for (const auto& key : keystrokes(text)) {
        if (key == "\n" ? input.returnKey() : input.insertText(key))
            ++accepted;
        finish();
    }
    return accepted;
}

} // namespace

void InputDriver::finishTurn()
{
    foundation::RunLoop::main().runUntilIdle();
}

std::size_t InputDriver::type(kit::TextField& field, std::string_view text)
{
    return typeInto(field, text, &finishTurn);
}

std::size_t InputDriver::type(kit::TextView& view, std::string_view text)
{
    return typeInto(view, text, &finishTurn);
}

std::size_t InputDriver::typeAt(kit::TextField& field, std::size_t position, std::string_view text)
{
    if (!field.isFirstResponder())
        field.becomeFirstResponder();
    field.setSelectedRange({ position, 0 });
    return type(field, text);
}

bool InputDriver::paste(kit::TextField& field, std::string_view text)
{
    if (!field.isFirstResponder() && !field.becomeFirstResponder())
        return false;
    bool changed = field.insertText(text);
    finishTurn();
    return changed;
}

std::size_t InputDriver::deleteBackward(kit::TextField& field, std::size_t times)
{
    std::size_t changed = 0;
    for (std::size_t i = 0; i < times; ++i) {
        if (field.deleteBackward())
            ++changed;
        finishTurn();
    }
    return changed;
}

bool InputDriver::pressReturn(kit::TextField& field)
{
    bool answer = field.returnKey();
    finishTurn();
    return answer;
}

bool InputDriver::clear(kit::TextField& field)
{
    bool changed = field.clearText();
    finishTurn();
    return changed;
}

bool InputDriver::endEditing(kit::TextField& field)
{
    bool resigned = field.resignFirstResponder();
    finishTurn();
    return resigned;
}

std::shared_ptr<kit::AlertView> InputDriver::visibleAlert()
{
    return kit::AlertView::visibleAlert();
}

bool InputDriver::pressAlertButton(const std::string& title)
{
    auto alert = kit::AlertView::visibleAlert();
    if (!alert)
        return false;
    for (int i = 0; i < alert->numberOfButtons(); ++i) {
        if (alert->buttonTitleAtIndex(i) == title)
            return pressAlertButton(i);
    }
    return false;
}

bool InputDriver::pressAlertButton(int index)
{
    auto alert = kit::AlertView::visibleAlert();
    if (!alert)
        return false;
    bool pressed = alert->pressButtonAtIndex(index);
    finishTurn();
    return pressed;
}

std::size_t InputDriver::typeIntoAlertField(int fieldIndex, std::string_view text)
{
    auto alert = kit::AlertView::visibleAlert();
    auto field = alert ? alert->textFieldAtIndex(fieldIndex) : nullptr;
    if (!field)
        return 0;
    return type(*field, text);
}

bool InputDriver::selectRow(kit::TableView& table, kit::IndexPath indexPath)
{
    // Asking for a row the list lacks is a question tests ask on purpose.
    if (indexPath.section < 0 || indexPath.section >= table.numberOfSections() || indexPath.row < 0
        || indexPath.row >= table.numberOfRowsInSection(indexPath.section))
        return false;
    const std::string row = "row " + std::to_string(indexPath.section) + "." + std::to_string(indexPath.row);
    if (auto alert = kit::AlertView::visibleAlert()) {
        ADD_FAILURE() << row << " is under the alert \"" << alert->title() << "\"";
        return false;
    }
    // Rows are tiled by the layout pass: a finger lands where they are drawn.
    kit::View::runPendingPasses();
    auto window = table.window();
    auto cell = table.cellForRowAtIndexPath(indexPath);
    if (!window || !cell || !cell->isVisibleInWindow()) {
        ADD_FAILURE() << row << " is not shown in a window (scroll to it first)";
        return false;
    }
    // The middle of the row's part inside the list's visible area.
    graphics::Rect inTable = cell->convertRectToView(cell->bounds(), &table).intersection(table.bounds());
    graphics::Point point = table.convertPointToView(inTable.center(), nullptr);
    auto hit = window->hitTest(window->convertPointFromView(point, nullptr));
    if (inTable.isEmpty() || !hit || !hit->isDescendantOfView(cell.get())) {
        ADD_FAILURE() << row << " is out of view or covered by another view";
        return false;
    }
    bool selectable = table.allowsSelection();
    window->touchDown(point);
    window->touchUp(point);
    finishTurn();
    return selectable;
}

void InputDriver::drag(kit::ScrollView& scrollView, double dy, int steps)
{
    swipe(scrollView, 0, dy, steps);
}

void InputDriver::swipe(kit::ScrollView& scrollView, double dx, double dy, int steps)
{
    if (!scrollView.beginDragging())
        return;
    finishTurn();
    steps = std::max(steps, 1);
    for (int i = 0; i < steps; ++i) {
        scrollView.dragBy(dx / steps, dy / steps);
        finishTurn();
    }
    scrollView.endDragging();
    finishTurn();
    settleScrolling(scrollView);
}

void InputDriver::settleScrolling(kit::ScrollView& scrollView)
{
    // Gliding and springing back end within a second or two.
    constexpr int frames = 300;
    for (int i = 0; i < frames && scrollView.isDecelerating(); ++i)
        foundation::RunLoop::main().advance(1.0 / 60);
}

void InputDriver::resetState()
{
    kit::AlertView::discardAll();
    kit::Keyboard::shared().reset();
}

void InputDriver::pickDate(kit::DatePicker& picker, double date)
{
    picker.pickDate(date);
    finishTurn();
}

} // namespace support
