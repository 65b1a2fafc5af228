#include "main/WindowInput.h"

#include "platform/kit/AlertView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Window.h"

namespace {

template<class Action> void withFirstResponder(kit::Window& window, Action action)
{
    kit::View* responder = window.firstResponder();
    if (auto* field = dynamic_cast<kit::TextField*>(responder))
        action(*field);
    else if (auto* view = dynamic_cast<kit::TextView*>(responder))
        action(*view);
}

} // namespace

std::shared_ptr<kit::TextField> WindowInput::alertField() const
{
    auto alert = kit::AlertView::visibleAlert();
    if (!alert || alert->textFields().empty())
        return nullptr;
    int count = static_cast<int>(alert->textFields().size());
    return alert->textFieldAtIndex(((m_alertField % count) + count) % count);
}

void WindowInput::pointerDown(kit::Window& window, graphics::Point point)
{
    // An alert is modal: the screen under it takes no touches.
    if (kit::AlertView::visibleAlert())
        return;
    m_pointerDown = true;
    window.touchDown(point);
}

void WindowInput::pointerMove(kit::Window& window, graphics::Point point)
{
    if (m_pointerDown)
        window.touchMove(point);
}

void WindowInput::pointerUp(kit::Window& window, graphics::Point point)
{
    if (!m_pointerDown)
        return;
    m_pointerDown = false;
    // An alert that came up while the finger was down cancels the touch.
    if (kit::AlertView::visibleAlert())
        window.touchCancel();
    else
        window.touchUp(point);
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
    withFirstResponder(window, [&](auto& input) { input.insertText(utf8); });
}

void WindowInput::backspace(kit::Window& window)
{
    if (kit::AlertView::visibleAlert()) {
        if (auto field = alertField())
            field->deleteBackward();
        return;
    }
    withFirstResponder(window, [](auto& input) { input.deleteBackward(); });
}

void WindowInput::enter(kit::Window& window)
{
    if (auto alert = kit::AlertView::visibleAlert()) {
        m_alertField = 0;
        if (alert->numberOfButtons() > 0)
            alert->pressButtonAtIndex(0);
        return;
    }
    withFirstResponder(window, [](auto& input) { input.returnKey(); });
}

void WindowInput::escape()
{
    if (auto alert = kit::AlertView::visibleAlert()) {
        m_alertField = 0;
        if (alert->numberOfButtons() > 0)
            alert->pressButtonAtIndex(alert->numberOfButtons() - 1);
    }
}

void WindowInput::tab()
{
    if (kit::AlertView::visibleAlert())
        ++m_alertField;
}
