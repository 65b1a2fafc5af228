#pragma once

#include "platform/foundation/ObserverList.h"
#include "platform/kit/AlertViewDelegate.h"
#include "platform/kit/TextField.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {

enum class AlertViewStyle { Default = 0, SecureTextInput = 1, PlainTextInput = 2, LoginAndPasswordInput = 3 };

// A modal message with buttons and up to two text fields.
//
// One alert is visible at a time; showing another while one is up puts it in
// line behind it, and it comes up when the visible one goes. Showing an alert
// that is visible or already waiting does nothing, except from inside its own
// button handler: then it stays up after the click. Its text fields are kept
// for the alert's life, so an alert shown again still holds what was typed.
//
// The queue keeps the visible and waiting alerts alive, as the phone does, so
// a screen may show an alert it does not keep.
class AlertView : public std::enable_shared_from_this<AlertView> {
public:
    // Buttons are numbered in order: the cancel button (when given) is 0,
    // then the others.
    static std::shared_ptr<AlertView> create(std::string title, std::string message,
        std::weak_ptr<AlertViewDelegate> delegate, std::optional<std::string> cancelButtonTitle,
        std::vector<std::string> otherButtonTitles = {});

    AlertView(const AlertView&) = delete;
    AlertView& operator=(const AlertView&) = delete;

    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    const std::string& message() const { return m_message; }
    void setMessage(std::string message) { m_message = std::move(message); }
    std::shared_ptr<AlertViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<AlertViewDelegate> delegate) { m_delegate = std::move(delegate); }
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    int addButtonWithTitle(std::string title);
    int numberOfButtons() const { return static_cast<int>(m_buttonTitles.size()); }
    // "" for an index that names no button.
    std::string buttonTitleAtIndex(int index) const;
    // -1 when the alert has no cancel button.
    int cancelButtonIndex() const { return m_cancelButtonIndex; }
    int firstOtherButtonIndex() const;

    AlertViewStyle alertViewStyle() const { return m_style; }
    // Changing the style makes new fields; setting the same style keeps them.
    void setAlertViewStyle(AlertViewStyle style);
    // Null for an index the style has no field for.
    std::shared_ptr<TextField> textFieldAtIndex(int index) const;
    const std::vector<std::shared_ptr<TextField>>& textFields() const { return m_textFields; }
    // The field a keyboard types into, which shows the caret: the first
    // each time the alert comes up; a desktop's Tab or a click chooses
    // another. Any index is taken round the fields. -1 without fields.
    int selectedTextFieldIndex() const;
    void selectTextField(int index);

    void show();
    bool isVisible() const;
    bool isWaiting() const;
    // A press of the button: the delegate hears of it, then the alert goes
    // (unless shown again from the handler). Only the visible alert can be
    // pressed; returns false otherwise or for an index that names no button.
    bool pressButtonAtIndex(int index);
    // Takes the alert away (or out of the line) without telling the delegate.
    void dismissWithClickedButtonIndex(int index, bool animated);

    // The queue, for the harness and the transcript.
    static std::shared_ptr<AlertView> visibleAlert();
    static std::vector<std::shared_ptr<AlertView>> waitingAlerts();
    // Drops every alert, visible and waiting, telling nobody; for tests.
    static void discardAll();

    enum class Event { Shown, Dismissed };
    // `buttonIndex` is the button that closed the alert on Dismissed, -1 otherwise.
    [[nodiscard]] static foundation::Subscription observe(
        std::function<void(AlertView& alert, Event event, int buttonIndex)> observer);

private:
    AlertView() = default;
    void dismiss(int buttonIndex);

    std::string m_title;
    std::string m_message;
    std::weak_ptr<AlertViewDelegate> m_delegate;
    int m_tag = 0;
    std::vector<std::string> m_buttonTitles;
    int m_cancelButtonIndex = -1;
    AlertViewStyle m_style = AlertViewStyle::Default;
    std::vector<std::shared_ptr<TextField>> m_textFields;
    int m_selectedTextField = 0;
    bool m_inClickHandler = false;
    bool m_showAgain = false;
};

} // namespace kit
