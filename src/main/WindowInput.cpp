#include "main/WindowInput.h"

#include "cashier/ScanViewController.h"
#include "main/ScreenInspector.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Renderer.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Window.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace {

struct Decoded {
    char32_t codePoint;
    std::size_t length;
};

// One UTF-8 character at the start of `bytes`; none for a malformed start
// (overlong forms, surrogates and values past U+10FFFF included).
std::optional<Decoded> decodeFirst(std::string_view bytes)
{
    if (bytes.empty())
        return std::nullopt;
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80)
        return Decoded { lead, 1 };
    std::size_t length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 0;
    if (length == 0 || lead > 0xf4 || bytes.size() < length)
        return std::nullopt;
    char32_t point = lead & (0x7f >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0) != 0x80)
            return std::nullopt;
        point = point << 6 | (byte(i) & 0x3f);
    }
    static constexpr char32_t smallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (point < smallest[length] || point > 0x10ffff || (point >= 0xd800 && point <= 0xdfff))
        return std::nullopt;
    return Decoded { point, length };
}

// False when no input has the keyboard.
template<class Action> bool withFirstResponder(kit::Window& window, Action action)
{
    kit::View* responder = window.firstResponder();
    if (auto* field = dynamic_cast<kit::TextField*>(responder))
        action(*field);
    else if (auto* view = dynamic_cast<kit::TextView*>(responder))
        action(*view);
    else
        return false;
    return true;
}

// The inputs a person could touch, with where they are on the window.
void collectInputs(kit::View& view, std::vector<std::pair<graphics::Point, kit::View*>>& inputs)
{
    if (view.isHidden() || view.alpha() <= 0 || !view.isUserInteractionEnabled())
        return;
    auto* field = dynamic_cast<kit::TextField*>(&view);
    if ((field && field->isEnabled()) || dynamic_cast<kit::TextView*>(&view)) {
        inputs.emplace_back(view.convertPointToView({ 0, 0 }, nullptr), &view);
        return;
    }
    for (const auto& sub : view.subviews())
        collectInputs(*sub, inputs);
}

} // namespace

std::shared_ptr<kit::TextField> WindowInput::alertField() const
{
    auto alert = kit::AlertView::visibleAlert();
    return alert ? alert->textFieldAtIndex(alert->selectedTextFieldIndex()) : nullptr;
}

std::shared_ptr<ScanViewController> WindowInput::codeScanner(kit::Window& window)
{
    if (window.firstResponder())
        return nullptr;
    return std::dynamic_pointer_cast<ScanViewController>(ScreenInspector::topViewController(window));
}

void WindowInput::pointerDown(kit::Window& window, graphics::Point point, double timestamp)
{
    // An alert is modal: the screen under it takes no touches, its own
    // buttons and fields do.
    if (auto alert = kit::AlertView::visibleAlert()) {
        auto layout = kit::layOutAlert(*alert, window.bounds());
        m_alertButtonDown = layout.buttonAt(point);
        m_alertDown = alert;
        if (int field = layout.fieldAt(point); field >= 0)
            alert->selectTextField(field);
        return;
    }
    m_alertButtonDown = -1;
    m_pointerDown = true;
    window.touchDown(point, timestamp);
}

void WindowInput::pointerMove(kit::Window& window, graphics::Point point, double timestamp)
{
    if (m_pointerDown)
        window.touchMove(point, timestamp);
}

void WindowInput::pointerUp(kit::Window& window, graphics::Point point, double timestamp)
{
    if (int pressed = std::exchange(m_alertButtonDown, -1); pressed >= 0) {
        auto alert = kit::AlertView::visibleAlert();
        // Another alert that came up meanwhile was never touched.
        if (alert && alert == m_alertDown.lock()
            && kit::layOutAlert(*alert, window.bounds()).buttonAt(point) == pressed)
            alert->pressButtonAtIndex(pressed);
        return;
    }
    if (!m_pointerDown)
        return;
    m_pointerDown = false;
    // An alert that came up while the finger was down cancels the touch.
    if (kit::AlertView::visibleAlert())
        window.touchCancel();
    else
        window.touchUp(point, timestamp);
}

void WindowInput::wheel(kit::Window& window, graphics::Point point, double dx, double dy)
{
    // A finger on the glass owns the scrolling until it lifts.
    if (!m_pointerDown)
        window.scrollWheelAt(point, dx, dy);
}

void WindowInput::text(kit::Window& window, const std::string& utf8)
{
    if (utf8.empty())
        return;
    if (kit::AlertView::visibleAlert()) {
        if (auto field = alertField()) {
            if (!field->isFirstResponder())
                field->becomeFirstResponder();
            field->insertText(utf8);
        }
        return;
    }
    if (withFirstResponder(window, [&](auto& input) { input.insertText(utf8); }))
        return;
    if (auto scanner = codeScanner(window))
        scanner->typeCode(utf8);
}

void WindowInput::paste(kit::Window& window, std::string_view clipboard)
{
    if (kit::AlertView::visibleAlert()) {
        text(window, pasteText(clipboard, false));
        return;
    }
    kit::View* responder = window.firstResponder();
    if (auto* field = dynamic_cast<kit::TextField*>(responder))
        field->insertText(pasteText(clipboard, false));
    else if (auto* view = dynamic_cast<kit::TextView*>(responder))
        view->insertText(pasteText(clipboard, true));
}

std::string WindowInput::keysymText(std::uint32_t keysym)
{
    // Latin-1 key symbols are their own code points; Unicode ones carry
    // theirs under this flag (the X keyboard encoding).
    constexpr std::uint32_t unicodeFlag = 0x01000000;
    char32_t point = 0;
    if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff))
        point = keysym;
    else if ((keysym & 0xff000000) == unicodeFlag)
        point = keysym & 0x00ffffff;
    if (point < 0x20 || (point >= 0x7f && point < 0xa0) || point > 0x10ffff
        || (point >= 0xd800 && point <= 0xdfff))
        return {};
    return foundation::encodeUtf8(point);
}

std::string WindowInput::pasteText(std::string_view clipboard, bool multiline)
{
    std::string out;
    std::size_t at = 0;
    while (at < clipboard.size()) {
        auto point = decodeFirst(clipboard.substr(at));
        if (!point) {
            ++at; // A byte that starts no character is dropped.
            continue;
        }
        at += point->length;
        char32_t c = point->codePoint;
        if (c == '\r' && at < clipboard.size() && clipboard[at] == '\n')
            continue; // The \n that follows stands for both.
        std::string piece;
        if (c == '\n' || c == '\r' || c == '\t')
            piece.assign(1, multiline && c != '\t' ? '\n' : ' ');
        else if (c >= 0x20 && c != 0x7f && !(c >= 0x80 && c < 0xa0))
            piece = foundation::encodeUtf8(c);
        if (out.size() + piece.size() > maximumPaste)
            break;
        out += piece;
    }
    return out;
}

void WindowInput::backspace(kit::Window& window)
{
    if (kit::AlertView::visibleAlert()) {
        if (auto field = alertField())
            field->deleteBackward();
        return;
    }
    if (withFirstResponder(window, [](auto& input) { input.deleteBackward(); }))
        return;
    if (auto scanner = codeScanner(window))
        scanner->deleteTypedBackward();
}

void WindowInput::enter(kit::Window& window)
{
    if (auto alert = kit::AlertView::visibleAlert()) {
        if (alert->numberOfButtons() > 0)
            alert->pressButtonAtIndex(0);
        return;
    }
    if (withFirstResponder(window, [](auto& input) { input.returnKey(); }))
        return;
    if (auto scanner = codeScanner(window))
        scanner->sendTypedCode();
}

void WindowInput::escape(kit::Window& window)
{
    if (auto alert = kit::AlertView::visibleAlert()) {
        if (alert->numberOfButtons() > 0)
            alert->pressButtonAtIndex(alert->numberOfButtons() - 1);
        return;
    }
    if (auto scanner = codeScanner(window))
        scanner->clearTypedCode();
}

void WindowInput::tab(kit::Window& window, bool backward)
{
    if (auto alert = kit::AlertView::visibleAlert()) {
        alert->selectTextField(alert->selectedTextFieldIndex() + (backward ? -1 : 1));
        return;
    }
    std::vector<std::pair<graphics::Point, kit::View*>> inputs;
    collectInputs(window, inputs);
    if (inputs.empty())
        return;
    // Reading order: by row (fields side by side share one), then across.
    std::stable_sort(inputs.begin(), inputs.end(), [](const auto& a, const auto& b) {
        double rowA = std::round(a.first.y);
        double rowB = std::round(b.first.y);
        return rowA != rowB ? rowA < rowB : a.first.x < b.first.x;
    });
    auto count = static_cast<long>(inputs.size());
    auto current = std::find_if(inputs.begin(), inputs.end(),
        [&](const auto& input) { return input.second == window.firstResponder(); });
    long next;
    if (current == inputs.end())
        next = backward ? count - 1 : 0;
    else
        next = ((current - inputs.begin()) + (backward ? count - 1 : 1)) % count;
    inputs[static_cast<std::size_t>(next)].second->becomeFirstResponder();
}
