#include "platform/kit/AlertView.h"

#include "platform/kit/Caret.h"
#include "platform/kit/DisplayGeneration.h"

#include <algorithm>
#include <deque>

namespace kit {

namespace {

// Alerts belong to the main thread, like every view.
struct AlertQueue {
    std::shared_ptr<AlertView> visible;
    std::deque<std::shared_ptr<AlertView>> waiting;
    foundation::ObserverList<AlertView*, AlertView::Event, int> observers;
};

AlertQueue& queue()
{
    static AlertQueue instance;
    return instance;
}

void announce(AlertView& alert, AlertView::Event event, int buttonIndex)
{
    // Alerts are painted over the window, not held in it.
    DisplayGeneration::bump();
    if (event == AlertView::Event::Shown)
        alert.selectTextField(0);
    queue().observers.notify(&alert, event, buttonIndex);
}

std::shared_ptr<TextField> makeField(const std::string& placeholder, bool secure)
{
    auto field = std::make_shared<TextField>(graphics::Rect(0, 0, 250, 29));
    field->setPlaceholder(placeholder);
    field->setSecureTextEntry(secure);
    field->setBorderStyle(TextBorderStyle::Line);
    field->setFont(graphics::Font::systemFont(13));
    return field;
}

} // namespace

std::shared_ptr<AlertView> AlertView::create(std::string title, std::string message,
    std::weak_ptr<AlertViewDelegate> delegate, std::optional<std::string> cancelButtonTitle,
    std::vector<std::string> otherButtonTitles)
{
    std::shared_ptr<AlertView> alert(new AlertView());
    alert->m_title = std::move(title);
    alert->m_message = std::move(message);
    alert->m_delegate = std::move(delegate);
    if (cancelButtonTitle)
        alert->m_cancelButtonIndex = alert->addButtonWithTitle(std::move(*cancelButtonTitle));
    for (auto& other : otherButtonTitles)
        alert->addButtonWithTitle(std::move(other));
    return alert;
}

int AlertView::addButtonWithTitle(std::string title)
{
    m_buttonTitles.push_back(std::move(title));
    return numberOfButtons() - 1;
}

std::string AlertView::buttonTitleAtIndex(int index) const
{
    if (index < 0 || index >= numberOfButtons())
        return {};
    return m_buttonTitles[static_cast<std::size_t>(index)];
}

int AlertView::firstOtherButtonIndex() const
{
    int first = m_cancelButtonIndex == 0 ? 1 : 0;
    return first < numberOfButtons() ? first : -1;
}

void AlertView::setAlertViewStyle(AlertViewStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    m_textFields.clear();
    m_selectedTextField = 0;
    switch (style) {
    case AlertViewStyle::Default:
        break;
    case AlertViewStyle::SecureTextInput:
        m_textFields.push_back(makeField("", true));
        break;
    case AlertViewStyle::PlainTextInput:
        m_textFields.push_back(makeField("", false));
        break;
    case AlertViewStyle::LoginAndPasswordInput:
        m_textFields.push_back(makeField("Login", false));
        m_textFields.push_back(makeField("Password", true));
        break;
    }
}

std::shared_ptr<TextField> AlertView::textFieldAtIndex(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_textFields.size()))
        return nullptr;
    return m_textFields[static_cast<std::size_t>(index)];
}

int AlertView::selectedTextFieldIndex() const
{
    return m_textFields.empty() ? -1 : m_selectedTextField;
}

void AlertView::selectTextField(int index)
{
    int count = static_cast<int>(m_textFields.size());
    if (count == 0)
        return;
    m_selectedTextField = ((index % count) + count) % count;
    DisplayGeneration::bump();
    Caret::restartBlink();
}

bool AlertView::isVisible() const
{
    return queue().visible.get() == this;
}

bool AlertView::isWaiting() const
{
    const auto& waiting = queue().waiting;
    return std::any_of(
        waiting.begin(), waiting.end(), [this](const auto& alert) { return alert.get() == this; });
}

void AlertView::show()
{
    auto& q = queue();
    if (isVisible()) {
        if (m_inClickHandler)
            m_showAgain = true;
        return;
    }
    if (isWaiting())
        return;
    if (q.visible) {
        q.waiting.push_back(shared_from_this());
        return;
    }
    q.visible = shared_from_this();
    announce(*this, Event::Shown, -1);
}

bool AlertView::pressButtonAtIndex(int index)
{
    if (!isVisible() || m_inClickHandler || index < 0 || index >= numberOfButtons())
        return false;
    // The queue holds the alert, but the handler may discard the queue.
    auto self = shared_from_this();
    m_inClickHandler = true;
    m_showAgain = false;
    if (auto delegate = m_delegate.lock())
        delegate->alertViewClickedButtonAtIndex(*this, index); // May drop the last other reference.
    m_inClickHandler = false;
    if (!isVisible())
        return true;
    if (std::exchange(m_showAgain, false)) {
        // The same alert comes straight back, ahead of any that were waiting.
        announce(*this, Event::Dismissed, index);
        announce(*this, Event::Shown, -1);
        return true;
    }
    dismiss(index);
    return true;
}

void AlertView::dismissWithClickedButtonIndex(int index, bool)
{
    auto& q = queue();
    if (isVisible()) {
        m_showAgain = false;
        dismiss(index);
        return;
    }
    std::erase_if(q.waiting, [this](const auto& alert) { return alert.get() == this; });
}

void AlertView::dismiss(int buttonIndex)
{
    auto& q = queue();
    auto self = std::move(q.visible);
    for (auto& field : m_textFields)
        field->resignFirstResponder();
    announce(*this, Event::Dismissed, buttonIndex);
    // An observer may have shown another alert already.
    if (q.visible || q.waiting.empty())
        return;
    q.visible = std::move(q.waiting.front());
    q.waiting.pop_front();
    announce(*q.visible, Event::Shown, -1);
}

std::shared_ptr<AlertView> AlertView::visibleAlert()
{
    return queue().visible;
}

std::vector<std::shared_ptr<AlertView>> AlertView::waitingAlerts()
{
    const auto& waiting = queue().waiting;
    return { waiting.begin(), waiting.end() };
}

void AlertView::discardAll()
{
    auto& q = queue();
    // Destroying an alert may run a delegate's destructor that shows another.
    auto visible = std::move(q.visible);
    auto waiting = std::move(q.waiting);
    q.waiting.clear();
    DisplayGeneration::bump();
}

foundation::Subscription AlertView::observe(std::function<void(AlertView&, Event, int)> observer)
{
    if (!observer)
        return {};
    return queue().observers.add([observer = std::move(observer)](AlertView* const& alert, const Event& event,
                                     const int& index) { observer(*alert, event, index); });
}

} // namespace kit
